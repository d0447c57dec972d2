// kestrix as it runs unattended, under load: mail on both ports from many
// sessions at once while it transmits and two users chat, a kill -9 in the
// middle of a load and a restart in the same directory, and floods of
// connections with a message of 100 MB among them. The full figures come
// from scripts/load.sh; these are the same checks, smaller.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common_support/child_process.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/raw_test_client.h"
#include "tests/support/smtp_test_client.h"

extern char** environ;

namespace kestrix::testing {
namespace {

using namespace std::chrono_literals;

// The sanitizer builds send fewer messages (CMakeLists.txt).
#ifndef KESTRIX_LOAD_MESSAGES
#define KESTRIX_LOAD_MESSAGES 1000
#endif
constexpr int kLoadMessages = KESTRIX_LOAD_MESSAGES;
constexpr int kLoadSessionsPerPort = 10;
constexpr auto kStartLimit = 60s;  // a station under the sanitizers starts slowly

// A port nothing uses now, for the station to take: below the range the
// system gives clients, so the floods of other tests cannot take it first.
int FreePort() {
  static std::mt19937 random(std::random_device{}());
  for (;;) {
    const int port = std::uniform_int_distribution<int>(20000, 32000)(random);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool free = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (free) {
      return port;
    }
  }
}

// The station in the test's directory: a short schedule going out as
// audio into a WAV file, mail on two free ports, chat on a third.
class StationProcess {
 public:
  StationProcess() : smtp1(FreePort()), smtp2(FreePort()), chat(FreePort()) {
    std::filesystem::create_directories("data");
    WriteFile("Kestrix.ini",
              "QERVLISTENADDRESS=\"127.0.0.1\"\n"
              "QERVEMAILSMTPPORTS=" +
                  std::to_string(smtp1) + "," + std::to_string(smtp2) +
                  "\nQERVTELNETPORTNUMBER=" + std::to_string(chat) +
                  "\nQERVSCHEDULERENABLE=1\nQERVUSESUBJECTFILENAME=0\n"
                  "QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE=\"wav:out.wav\"\n");
    WriteFile("data/schedule.lst", "ry.txt\n");
    WriteFile("data/ry.txt", "RYRYRYRY\r\n");
  }
  ~StationProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  StationProcess(const StationProcess&) = delete;
  StationProcess& operator=(const StationProcess&) = delete;

  // Starts kestrix and waits until its first mail port greets.
  bool Start() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string failure;
    pid_ = SpawnChild({KESTRIX_BINARY}, "kestrix.out", ChildOutput::kAppend, failure);
    if (pid_ <= 0) {
      return false;
    }
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < limit) {
      RawTestClient probe(smtp1);
      if (probe.Connected() && probe.ReadLine().starts_with("220 ")) {
        probe.Command("QUIT\r\n");
        return true;
      }
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  // Sends `signal` and returns how the station ended: its exit code, or
  // -1 when killed.
  int End(int signal) {
    ::kill(pid_, signal);
    std::string failure;
    const int code = WaitForChild(pid_, 60s, failure);
    pid_ = -1;
    return code;
  }

  // Every log line of the station so far.
  static std::string Log() {
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator("log")) {
      log += ReadFile(entry.path());
    }
    return log;
  }

  const int smtp1;
  const int smtp2;
  const int chat;

 private:
  pid_t pid_ = -1;
};

std::size_t CountOf(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The mail the station stored: the names of data/E_*.txt.
std::set<std::string> StoredMessages() {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("data")) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("E_")) {
      names.insert(name);
    }
  }
  return names;
}

// What a user sees until `marker` has come by; the user is logged in
// first.
class ChatUser {
 public:
  ChatUser(int port, const std::string& name) : client_(port) {
    client_.ReadUntil("Enter User Name:  ");
    client_.Send(name + "\r\n");
    welcomed_ = client_.ReadUntil("Begin Session").ends_with("Begin Session");
  }
  bool Welcomed() const { return welcomed_; }
  void Type(const std::string& line) { client_.Send(line + "\r\n"); }
  bool Sees(const std::string& marker) { return client_.ReadUntil(marker).ends_with(marker); }

 private:
  RawTestClient client_;
  bool welcomed_ = false;
};

class StationLoadTest : public ::testing::Test {
 protected:
  TempWorkingDirectory directory;
  StationProcess station;
};

// smtp-source (its own default message) on both ports at once, ten
// sessions each, while a user's line and the queue go out and another user
// watches: every message is acknowledged, stored once and queued once.
TEST_F(StationLoadTest, MailOnBothPortsWhileItTransmitsAndTwoUsersChat) {
  ASSERT_TRUE(station.Start()) << ReadFile("kestrix.out");
  ChatUser ann(station.chat, "ann");
  ChatUser bob(station.chat, "bob");
  ASSERT_TRUE(ann.Welcomed());
  ASSERT_TRUE(bob.Welcomed());
  ann.Type("QRV FOR TRAFFIC");  // on the air while the mail comes in

  std::vector<pid_t> sources;
  for (const int port : {station.smtp1, station.smtp2}) {
    std::string failure;
    sources.push_back(
        SpawnChild({"/usr/sbin/smtp-source", "-s", std::to_string(kLoadSessionsPerPort), "-m",
                    std::to_string(kLoadMessages / 2), "-t", "qerv@station",
                    "127.0.0.1:" + std::to_string(port)},
                   "smtp-source-" + std::to_string(port) + ".log", ChildOutput::kAppend, failure));
    ASSERT_GT(sources.back(), 0) << failure << " (smtp-source: Debian package postfix)";
  }
  for (const pid_t source : sources) {
    std::string failure;
    EXPECT_EQ(WaitForChild(source, 110s, failure), 0) << failure;
  }
  // Both users see Ann's line on the air: the chat went on through the load.
  EXPECT_TRUE(bob.Sees("ANN::  QRV FOR TRAFFIC"));
  EXPECT_TRUE(ann.Sees("ANN::  QRV FOR TRAFFIC"));
  EXPECT_EQ(station.End(SIGTERM), 0);

  const std::set<std::string> stored = StoredMessages();
  EXPECT_EQ(stored.size(), static_cast<std::size_t>(kLoadMessages));
  const std::vector<std::string> queued = LinesOf(ReadFile("data/schedule_temp.lst"));
  EXPECT_EQ(queued.size(), static_cast<std::size_t>(kLoadMessages));
  EXPECT_EQ(std::set<std::string>(queued.begin(), queued.end()), stored);
  const std::string log = StationProcess::Log();
  EXPECT_EQ(CountOf(log, "\" submitted to queue"), static_cast<std::size_t>(kLoadMessages));
  EXPECT_GE(CountOf(log, "> in TRANSMIT Queue."), 1u) << log;
  EXPECT_TRUE(std::filesystem::is_empty("data/badwords"));
}

// Ten sessions send numbered messages; the station is killed once a
// hundred are acknowledged. Every acknowledged message is on disk under
// the name its reply gave and in the temporary schedule that the next
// start queues, once; restarted in the same directory it serves again.
TEST_F(StationLoadTest, AKillInTheMiddleOfALoadLosesNoAcknowledgedMessage) {
  ASSERT_TRUE(station.Start()) << ReadFile("kestrix.out");
  std::mutex mutex;
  std::map<std::string, std::string> acknowledged;  // file name -> body
  std::atomic<int> count{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 10; ++c) {
    clients.emplace_back([&, c] {
      SmtpTestClient client(c % 2 == 0 ? station.smtp1 : station.smtp2);
      client.ReadLine();
      client.Command("HELO load\r\n");
      for (int m = 0;; ++m) {
        if (client.Command("MAIL FROM:<ann@example.org>\r\n") != "250 Ready to Receive" ||
            client.Command("RCPT TO:<qerv@station>\r\n") != "250 Recipient OK" ||
            client.Command("DATA\r\n") != "354 Send Data") {
          return;
        }
        const std::string body = "KILL TEST " + std::to_string(c) + " " + std::to_string(m);
        const std::string reply = client.Command("Subject: kill\r\n\r\n" + body + "\r\n.\r\n");
        const std::string stored = "250 message succesfully stored as \"";
        if (!reply.starts_with(stored)) {
          return;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        acknowledged[reply.substr(stored.size(), reply.size() - stored.size() - 1)] = body;
        ++count;
      }
    });
  }
  const auto limit = std::chrono::steady_clock::now() + 100s;
  while (count < 100 && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(station.End(SIGKILL), -1);
  for (std::thread& client : clients) {
    client.join();
  }
  ASSERT_GE(acknowledged.size(), 100u);

  const std::vector<std::string> queued = LinesOf(ReadFile("data/schedule_temp.lst"));
  std::set<std::string> bodies;
  for (const std::string& name : StoredMessages()) {
    const std::string text = ReadFile("data/" + name);
    const std::size_t at = text.find("KILL TEST ");
    ASSERT_NE(at, std::string::npos) << name;
    EXPECT_TRUE(bodies.insert(text.substr(at, text.find('\r', at) - at)).second)
        << "stored twice: " << text;
  }
  for (const auto& [name, body] : acknowledged) {
    EXPECT_NE(ReadFile("data/" + name).find(body + "\r"), std::string::npos) << name;
    EXPECT_EQ(std::count(queued.begin(), queued.end(), name), 1) << name;
  }

  const std::size_t queuedAtKill = queued.size();
  ASSERT_TRUE(station.Start()) << ReadFile("kestrix.out");
  SmtpTestClient after(station.smtp2);
  EXPECT_EQ(after.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
  EXPECT_EQ(after.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
  EXPECT_EQ(after.Command("DATA\r\n"), "354 Send Data");
  EXPECT_TRUE(after.Command("Subject: again\r\n\r\nQRV\r\n.\r\n")
                  .starts_with("250 message succesfully stored as \"E_"));
  EXPECT_EQ(station.End(SIGTERM), 0);
  EXPECT_EQ(LinesOf(ReadFile("data/schedule_temp.lst")).size(), queuedAtKill + 1);
}

// A hundred silent connections on each port at once, then mail and a chat
// login that get through, and a message of 100 MB refused while its
// session goes on.
TEST_F(StationLoadTest, FloodsAndAHundredMegabyteMessageLeaveItServing) {
  ASSERT_TRUE(station.Start()) << ReadFile("kestrix.out");
  std::vector<std::unique_ptr<RawTestClient>> flood;
  for (const int port : {station.smtp1, station.smtp2, station.chat}) {
    for (int i = 0; i < 100; ++i) {
      flood.push_back(std::make_unique<RawTestClient>(port));
    }
  }
  for (const int port : {station.smtp1, station.smtp2}) {
    // As a mail program does, after a 421 it tries again: a silent
    // connection's place is there for it within seconds, long before the
    // silent ones' own timeouts.
    std::unique_ptr<SmtpTestClient> connected;
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (!connected && std::chrono::steady_clock::now() < limit) {
      auto client = std::make_unique<SmtpTestClient>(port);
      if (client->ReadLine() == "220 KESTRIX.STATION Simple Mail Transfer Service Ready") {
        connected = std::move(client);
      } else {
        std::this_thread::sleep_for(100ms);
      }
    }
    ASSERT_TRUE(connected);
    SmtpTestClient& client = *connected;
    EXPECT_EQ(client.Command("HELO me\r\n"), "250 KESTRIX.STATION");
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_TRUE(client.Command("Subject: through\r\n\r\nQRV\r\n.\r\n").starts_with("250 message"));
  }
  std::unique_ptr<ChatUser> carl;
  const auto limit = std::chrono::steady_clock::now() + 30s;
  while ((!carl || !carl->Welcomed()) && std::chrono::steady_clock::now() < limit) {
    if (carl) {
      std::this_thread::sleep_for(100ms);
    }
    carl = std::make_unique<ChatUser>(station.chat, "carl");
  }
  EXPECT_TRUE(carl->Welcomed());

  SmtpTestClient big(station.smtp2);
  EXPECT_EQ(big.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
  EXPECT_EQ(big.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
  EXPECT_EQ(big.Command("DATA\r\n"), "354 Send Data");
  big.Send("Subject: big\r\n\r\n");
  std::string lines;
  for (int i = 0; i < 16384; ++i) {
    lines += "THE SAME LINE OF A BULLETIN FAR TOO LONG TO BE TAKEN AT ALL\r\n";
  }
  for (std::size_t sent = 0; sent < 100u << 20; sent += lines.size()) {
    big.Send(lines);
  }
  EXPECT_EQ(big.Command(".\r\n"), "552 Requested mail action aborted: exceeded storage allocation");
  EXPECT_EQ(big.Command("DATA\r\n"), "354 Send Data");
  EXPECT_TRUE(big.Command("Subject: small\r\n\r\nQRV\r\n.\r\n").starts_with("250 message"));
  flood.clear();
  EXPECT_EQ(station.End(SIGTERM), 0);

  EXPECT_EQ(StoredMessages().size(), 3u);
  EXPECT_EQ(LinesOf(ReadFile("data/schedule_temp.lst")).size(), 3u);
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
  }
  EXPECT_NE(StationProcess::Log().find("Message refused: longer than 1048576 bytes"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrix::testing
