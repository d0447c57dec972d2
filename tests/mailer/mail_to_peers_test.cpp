// The mail loader against real peers: a running kestrix, headless on high
// ports, which stores and queues what it is mailed; and Postfix's
// smtp-sink, which keeps the bytes of each message.

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "mailer/smtp_client_session.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/mailer/fake_mail_window.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

// A port nobody listens on at this moment.
int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

bool Listening(int port) {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(probe);
  return connected;
}

bool WaitListening(int port) {
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!Listening(port)) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(50ms);  // a process starting up: nothing to block on
  }
  return true;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class MailToPeersTest : public ::testing::Test {
 protected:
  std::vector<std::string> Logged() const { return list.Texts(); }
  bool WasLogged(const std::string& text) const { return list.Has(text); }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 5, 7)};
  testing::RecordingStatusList list;
  testing::RecordingMessageBox box;
  testing::FakeMailWindow window;
  MailLog log{loop, list};
  SmtpClientSession session{window, log, box};
};

TEST_F(MailToPeersTest, ThreeFilesReachARunningStationWhichStoresAndQueuesThem) {
  const int smtp = FreePort();
  const int second = FreePort();
  std::filesystem::create_directories("station/data");
  testing::WriteFile("station/Kestrix.ini",
                     "QERVEMAILSMTPPORTS=" + std::to_string(smtp) + "," + std::to_string(second) +
                         "\nQERVTELNETPORTNUMBER=" + std::to_string(FreePort()) + "\n");
  const pid_t station = ::fork();
  if (station == 0) {
    if (::chdir("station") != 0) {
      ::_exit(126);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(KESTRIX_BINARY, KESTRIX_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(station, 0);
  const bool up = WaitListening(smtp);

  const std::vector<std::string> names = {"storm.txt", "net.txt", "swap.txt"};
  for (const std::string& name : names) {
    testing::WriteFile(name, "QST " + name + "\r\nDE K1ABC\r\n");
    window.queue.push_back((std::filesystem::current_path() / name).string());
  }
  window.host = "127.0.0.1";
  window.port = std::to_string(smtp);
  if (up) {
    session.SendQueuedMail(false);
  }
  ::kill(station, SIGTERM);
  int status = 0;
  ::waitpid(station, &status, 0);
  ASSERT_TRUE(up);

  EXPECT_TRUE(WasLogged("Connected"));
  for (const std::string& name : names) {
    const std::string subject = name.substr(0, name.find('.'));
    const auto stored = std::filesystem::path("station/data") / (subject + ".txt");
    ASSERT_TRUE(std::filesystem::exists(stored)) << stored;
    EXPECT_NE(FileText(stored).find("QST " + name), std::string::npos) << FileText(stored);
  }
  // Every message was accepted: three 250 replies to the end of a message.
  EXPECT_EQ(std::count_if(
                list.lines.begin(), list.lines.end(),
                [](const std::string& line) { return line.find("RSET 250") != std::string::npos; }),
            3);
  std::string stationLog;
  for (const auto& entry : std::filesystem::directory_iterator("station/log")) {
    stationLog += FileText(entry.path());
  }
  for (const std::string& name : names) {
    const std::string subject = name.substr(0, name.find('.'));
    EXPECT_NE(stationLog.find(subject + ".txt"), std::string::npos) << stationLog;
  }
}

// smtp-sink dumps each message as it came over the wire: the dot lines go
// out doubled, so the lone dot does not end the message early and LAST
// still belongs to it.
TEST_F(MailToPeersTest, SmtpSinkKeepsEveryLineOfABulletinWithDotLines) {
  const int port = FreePort();
  std::vector<std::string> arguments = {"smtp-sink", "-D", "dump.txt"};
  if (::geteuid() == 0) {
    arguments.insert(arguments.end(), {"-u", "root"});
  }
  arguments.push_back("127.0.0.1:" + std::to_string(port));
  arguments.push_back("10");
  const pid_t sink = ::fork();
  if (sink == 0) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    ::execvp("smtp-sink", argv.data());
    ::_exit(127);
  }
  ASSERT_GT(sink, 0);
  const bool up = WaitListening(port);
  testing::WriteFile("dots.txt", "FIRST\r\n.\r\n.HIDDEN\r\nLAST\r\n");
  window.queue = {"dots.txt"};
  window.host = "127.0.0.1";
  window.port = std::to_string(port);
  if (up) {
    session.SendQueuedMail(false);
  }
  ::kill(sink, SIGTERM);
  ::waitpid(sink, nullptr, 0);
  ASSERT_TRUE(up);
  const std::string dump = FileText("dump.txt");
  EXPECT_NE(dump.find("Subject: dots\n\nFIRST\n..\n..HIDDEN\nLAST\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("X-Rcpt-Args: <qerv@127.0.0.1>"), std::string::npos);
}

}  // namespace
}  // namespace kestrix
