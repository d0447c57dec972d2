// kestrix as a service manager runs it: headless, on a serial port (a
// pseudo-terminal here), stopped by SIGTERM.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <utility>
#include <vector>

#include "tests/common_support/temp_working_directory.h"
#include "tests/support/pseudo_terminal.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

// Starts kestrix in the working directory with `environment` added, waits
// until the RYRY of its schedule comes out of `terminal`, ends it with
// SIGTERM and returns its log.
std::string RunUntilSent(testing::PseudoTerminal& terminal,
                         const std::vector<std::pair<const char*, const char*>>& environment) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const auto& [name, value] : environment) {
      ::setenv(name, value, 1);
    }
    ::execl(KESTRIX_BINARY, KESTRIX_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  EXPECT_GT(child, 0);
  if (child <= 0) {
    return "";
  }

  // Letters shift while the lead-in runs, then R Y R Y ... in five-bit codes.
  const std::vector<std::uint8_t> ryry = {10, 21, 10, 21, 10, 21, 10, 21};
  std::vector<std::uint8_t> stream;
  const auto deadline = std::chrono::steady_clock::now() + 90s;
  while (std::search(stream.begin(), stream.end(), ryry.begin(), ryry.end()) == stream.end() &&
         std::chrono::steady_clock::now() < deadline) {
    const auto got = terminal.Read(1);
    stream.insert(stream.end(), got.begin(), got.end());
  }
  EXPECT_NE(std::search(stream.begin(), stream.end(), ryry.begin(), ryry.end()), stream.end());
  EXPECT_TRUE(!stream.empty() && stream.front() == 31);

  EXPECT_EQ(::kill(child, SIGTERM), 0);
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator("log")) {
    log += testing::ReadFile(entry.path());
  }
  return log;
}

void WriteStation(const testing::PseudoTerminal& terminal, const std::string& moreIni) {
  std::filesystem::create_directory("data");
  testing::WriteFile("Kestrix.ini", "QERVCOMMPORT=\"COM1\"\nQERVSERIALDEVICE=\"COM1=" +
                                        terminal.Slave() + "\"\nQERVSCHEDULERENABLE=1\n" + moreIni);
  testing::WriteFile("data/schedule.lst", "ry.txt\n");
  testing::WriteFile("data/ry.txt", "RYRYRYRY");
}

TEST(KestrixProcess, SendsItsScheduleOnTheSerialPortAndEndsOnSigterm) {
  testing::TempWorkingDirectory dir;
  testing::PseudoTerminal terminal;
  ASSERT_FALSE(terminal.Slave().empty());
  WriteStation(terminal, "");

  const std::string log = RunUntilSent(terminal, {});
  EXPECT_NE(log.find("TXFile : Sending file <ry.txt>."), std::string::npos);
  EXPECT_TRUE(log.ends_with("> ***** RTTY Application has been TERMINATED *****\n")) << log;
}

TEST(KestrixProcess, ReadsAndWritesNumbersWithAPointUnderAGermanUser) {
  testing::TempWorkingDirectory dir;
  testing::PseudoTerminal terminal;
  ASSERT_FALSE(terminal.Slave().empty());
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run scripts/install-deps.sh";
  std::setlocale(LC_ALL, "C");
  WriteStation(terminal, "QERVFREQUENCIES=1275.5,1445.5\n");
  // A saved file ends early; the rest keep the values of the ini.
  testing::WriteFile("Kestrix.cfg", "COM1           \tm_CommPort\r\n45.450001      \tBAUD\r\n");

  const std::string log =
      RunUntilSent(terminal, {{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "de_DE.UTF-8"}});
  EXPECT_NE(log.find("Sound Card Frequencies Mark=1275.500000 and Space=1445.500000"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"COM1\" BAUD=45.5 Bits=5"), std::string::npos) << log;
  EXPECT_EQ(log.find("BAUD=45,"), std::string::npos) << log;
}

}  // namespace
}  // namespace kestrix
