// Measures the CPU that a running kestrix uses while it sends a bulletin.
// On the serial path a pseudo-terminal stands in for the port; this tool
// reads it one character time at a time, the way a UART at the chosen rate
// would empty it, so the station is held to the real pace by its blocked
// writes. With --sound the station sends audio FSK into a WAV file that is
// paced like a sound card instead; with --psk31 the schedule first switches
// to PSK31 and the modem sends into that file.
//
//   serial_cpu_meter [--sound|--psk31] KESTRIX_BINARY [SECONDS=60] [BAUD=45.45]
//
// It makes a scratch station directory with one due file, starts kestrix
// offscreen, lets the first 20 seconds pass (start-up, lead-in, the pseudo-
// terminal's buffer filling), then reports the CPU time used over SECONDS.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace {

// User plus system CPU time of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name, which ends with the last ')'.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0;
  unsigned long long stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) {
      utime = std::stoull(field);
    } else if (i == 15) {
      stime = std::stoull(field);
      break;
    }
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
  const bool psk31 = argc > 1 && std::string(argv[1]) == "--psk31";
  const bool sound = psk31 || (argc > 1 && std::string(argv[1]) == "--sound");
  if (sound) {
    --argc;
    ++argv;
  }
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr,
                 "usage: serial_cpu_meter [--sound|--psk31] KESTRIX_BINARY [SECONDS=60] "
                 "[BAUD=45.45]\n");
    return 2;
  }
  const std::filesystem::path binary = std::filesystem::absolute(argv[1]);
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
  const double baud = argc > 3 ? std::atof(argv[3]) : 45.45;
  if (seconds <= 0 || baud <= 0) {
    std::fprintf(stderr, "SECONDS and BAUD must be positive\n");
    return 2;
  }

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    std::perror("pseudo-terminal");
    return 1;
  }
  const std::string slave = ::ptsname(master);

  char scratch[] = "/tmp/kestrix-cpu-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(scratch);
  std::filesystem::create_directories(dir / "data");
  std::filesystem::create_directories(dir / "log");
  Write(dir / "Kestrix.ini",
        "QERVCOMMPORT=\"COM1\"\nQERVSERIALDEVICE=\"COM1=" + slave +
            "\"\nQERVSCHEDULERENABLE=1\nQERVRS232CONTROL=\"DTR\"\n" +
            (sound ? "QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE=\"wav:air.wav\"\n" : ""));
  std::string bulletin;
  while (bulletin.size() < 20000) {
    bulletin += "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789\r\n";
  }
  Write(dir / "data" / "bulletin.txt", bulletin);
  Write(dir / "data" / "schedule.lst", psk31 ? "$PSK31\nbulletin.txt\n" : "bulletin.txt\n");

  const pid_t child = ::fork();
  if (child == 0) {
    ::close(master);
    if (::chdir(dir.c_str()) != 0) {
      _exit(127);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }

  using Clock = std::chrono::steady_clock;
  const auto characterTime = std::chrono::duration<double>(7.5 / baud);
  const auto start = Clock::now();
  const auto warmUpEnd = start + std::chrono::seconds(20);
  const auto end = warmUpEnd + std::chrono::seconds(seconds);
  auto next = start;
  double cpuAtWarmUp = -1;
  long received = 0;
  while (Clock::now() < end) {
    next += std::chrono::duration_cast<Clock::duration>(characterTime);
    std::this_thread::sleep_until(next);
    unsigned char byte;
    // Non-blocking: before the station opens the port there is nothing.
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    if (::read(master, &byte, 1) == 1) {
      ++received;
    }
    if (cpuAtWarmUp < 0 && Clock::now() >= warmUpEnd) {
      cpuAtWarmUp = CpuSeconds(child);
    }
  }
  const double used = CpuSeconds(child) - cpuAtWarmUp;
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  // The station's own account of what it sent.
  for (const auto& entry : std::filesystem::directory_iterator(dir / "log")) {
    std::ifstream log(entry.path());
    for (std::string line; std::getline(log, line);) {
      std::printf("  log: %s\n", line.c_str());
    }
  }
  std::error_code noFile;
  const auto wavBytes = std::filesystem::file_size(dir / "air.wav", noFile);
  if (sound) {
    std::printf("WAV written: %.1f s of audio\n",
                noFile ? 0.0 : static_cast<double>(wavBytes) / 16000.0);
  }
  std::filesystem::remove_all(dir);

  if (sound) {
    std::printf("%s, paced WAV file; serial bytes read: %ld\n",
                psk31 ? "PSK31 modem" : "sound path", received);
  } else {
    std::printf("characters read at %.2f baud: %ld\n", baud, received);
  }
  std::printf("kestrix CPU over %d s of sending: %.3f s = %.2f %% of one core\n", seconds, used,
              100.0 * used / seconds);
  return sound || received > 0 ? 0 : 1;
}
