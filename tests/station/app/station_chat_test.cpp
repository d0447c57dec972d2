// The chat server in the whole station: logins, a line that goes out on the
// serial line as its exact code stream while another user watches, the
// operator's Kill, and a user who leaves.

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>

#include "station/net/chat_listener.h"
#include "station/net/echo_macro.h"
#include "tests/station/app/scheduled_files.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/fresh_encoder_codes.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::SmtpTestClient;

constexpr std::string_view kWelcomeEnd = "Begin Session ---------------------\n\r\n\r";

class StationChatTest : public testing::StationTest {
 protected:
  StationChatTest() {
    // The sessions run in real time: the clock gives them a moment to act
    // before it jumps ahead.
    loop.KeepPaceWithRealThreads(10ms);
    StartWith("QERVCOMMPORT=\"COM1\"\n");
    port = station.NetworkPart().Chat()->Port();
  }

  // Runs the clock while the clients on their own threads talk.
  void RunClockUntil(const std::function<bool()>& done) {
    const auto limit = loop.Now() + 10min;
    while (!done() && loop.Now() < limit) {
      loop.WaitForNextEvent();
    }
  }

  static void LogIn(SmtpTestClient& client, const std::string& name) {
    client.ReadUntil("Enter User Name:  ");
    client.Send(name + "\r\n");
    client.ReadUntil(kWelcomeEnd);
  }

  // The codes a fresh encoder gives a text.
  std::vector<int> CodesOf(const std::string& text) {
    return testing::FreshEncoderCodes(text, kModeMilitary, start);
  }

  // The station's chat parts, for a listener of a test's own.
  ChatStation Parts() {
    return ChatStation{settings,
                       loop,
                       station.Commands().log,
                       station.Clock(),
                       station.QueuePart().Ring(),
                       station.TransmitPart().Busy(),
                       station.TransmitPart().Encoder(),
                       station.TransmitPart().Router(),
                       modem,
                       station.TransmitPart().Morse(),
                       station.TransmitPart().Transmit(),
                       station.QueuePart().Cycle(),
                       station.QueuePart().Queue(),
                       window.textPane,
                       window.chatUsers};
  }

  int port = 0;
};

TEST_F(StationChatTest, ALineGoesOnTheAirWhileAnotherUserWatches) {
  std::atomic<bool> done{false};
  std::atomic<bool> released{false};
  std::string greeting, retry, welcome, bobSaw, annSaw;
  std::thread clients([&] {
    SmtpTestClient ann(port);
    LogIn(ann, "ann");
    SmtpTestClient bob(port);
    greeting = bob.ReadUntil("Enter User Name:  ");
    bob.Send("x\r\n");
    retry = bob.ReadUntil("Re-Enter User Name:  ");
    bob.Send(
        "\xff\xfd\x01"
        "bob\r\n");  // a telnet client asks us to echo first
    welcome = bob.ReadUntil(kWelcomeEnd);
    bob.Send("hello\r\n");
    bobSaw = bob.ReadUntil("HELLO\r\n");
    annSaw = ann.ReadUntil("HELLO\r\n");
    done = true;
    while (!released) {
      std::this_thread::sleep_for(1ms);  // both stay logged in until the rows are read
    }
  });
  RunClockUntil([&] { return done.load(); });
  const std::vector<ChatUserRow> rows = window.chatUsers.rows;
  released = true;
  clients.join();

  EXPECT_EQ(greeting, "Telnet Chat Server Service Ready\r\nEnter User Name:  ");
  EXPECT_EQ(retry, "Re-Enter User Name:  ");
  EXPECT_EQ(welcome,
            "\xff\xfc\x01"
            "\n\r\n\rWelcome \"bob\" to this chat session, please remember "
            "\n\rto finish your entry with a carriage return following"
            "\n\ryour last entry to send it off."
            "\n\r------------- Begin Session ---------------------\n\r\n\r");
  EXPECT_EQ(bobSaw, "\n\rBOB::  HELLO\r\n");
  EXPECT_EQ(annSaw, "\n\rBOB::  HELLO\r\n");

  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].name, "bob");
  EXPECT_EQ(rows[1].address, "127.000.000.001");
  EXPECT_EQ(rows[1].loginTime.size(), 14u);  // "MM/DD hh:mm:ss"
  EXPECT_GT(std::stoi(rows[1].pid), 2);

  // The line's codes went out whole, between the idle before and after.
  station.NetworkPart().StopNetworkServers();  // the sessions have finished sending
  const std::vector<int> line = CodesOf("\n\rBOB::  HELLO\r\n");
  const std::vector<int> sent = this->line.Bytes();
  EXPECT_NE(std::search(sent.begin(), sent.end(), line.begin(), line.end()), sent.end());
  EXPECT_EQ(window.textPane.text, "\n\rbob::  hello\r\n");
}

TEST_F(StationChatTest, KillAndAUserWhoLeavesEndTheirSessions) {
  std::atomic<int> stage{0};
  bool bobClosed = false;
  std::thread clients([&] {
    SmtpTestClient ann(port);
    LogIn(ann, "ann");
    auto bob = std::make_unique<SmtpTestClient>(port);
    LogIn(*bob, "bob");
    stage = 1;
    while (stage != 2) {
      std::this_thread::sleep_for(1ms);  // the test thread kills bob meanwhile
    }
    bobClosed = bob->ServerClosed();
    stage = 3;
  });  // ann leaves here
  const auto& rows = window.chatUsers.rows;
  RunClockUntil([&] { return stage == 1 && rows.size() == 2; });
  ASSERT_EQ(rows.size(), 2u);
  const std::string annPid = rows[0].pid;
  window.chatUsers.selected = 1;
  station.NetworkPart().ChatUsers().OnListClick();
  EXPECT_TRUE(window.chatUsers.killEnabled);
  station.NetworkPart().ChatUsers().OnKill();
  EXPECT_TRUE(Logged("Deleted Chat user bob"));
  EXPECT_FALSE(window.chatUsers.killEnabled);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "ann");
  stage = 2;
  RunClockUntil([&] { return stage == 3 && rows.empty(); });
  clients.join();
  EXPECT_TRUE(bobClosed);
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(Logged("Ending connection for [" + annPid + "] ann"));

  station.NetworkPart().ChatUsers().OnKill();  // nobody chosen
  EXPECT_TRUE(Logged("Failed to delete chat user "));
}

// With an automatic line length of 68, a line breaks after the first blank
// past column 63, or after column 68 when no blank comes; columns count
// from the line's start, the name included.
// In PSK31 each character goes to the modem after its keep-alive call,
// with its case; the user sees a macro's expansion once, not its letter.
TEST_F(StationChatTest, APsk31LineGoesThroughTheModemWithEachMacroEchoedOnce) {
  settings.MODE = kModePsk31;
  std::atomic<bool> done{false};
  std::string seen;
  std::thread client([&] {
    SmtpTestClient bob(port);
    LogIn(bob, "bob");
    bob.Send("Hi ^w\r\n");
    seen = bob.ReadUntil("\r\n");
    done = true;
  });
  RunClockUntil([&] { return done.load(); });
  client.join();
  station.NetworkPart().StopNetworkServers();

  // (The caret and the letter each echo as DEL, as in ASCII.)
  EXPECT_EQ(seen, "\n\rbob::  Hi \x7f" + EchoMacro::Weekday(loop.Now()) + "\x7f\r\n");
  std::vector<std::string> expected;
  for (char c : std::string("\n\rbob::  Hi ^w\r\n")) {
    expected.push_back("char 0,0");
    expected.push_back("char " + std::to_string(c) + ",0");
  }
  std::vector<std::string> characters;
  std::ranges::copy_if(modem.calls, std::back_inserter(characters),
                       [](const std::string& call) { return call.starts_with("char "); });
  EXPECT_EQ(characters, expected);
}

TEST_F(StationChatTest, LongLinesBreakAtTheAutomaticLineLength) {
  settings.QERVAutoLine72 = 68;
  std::atomic<bool> done{false};
  std::string blank, hard;
  std::thread client([&] {
    SmtpTestClient bob(port);
    LogIn(bob, "bob");
    bob.Send(std::string(56, 'a') + " bbbbbbbbbb\r\n");
    blank = bob.ReadUntil("BBBBBBBBBB\r\n");
    bob.Send(std::string(70, 'c') + "\r\n");
    hard = bob.ReadUntil("\r\nCCCCCCCC\r\n");
    done = true;
  });
  RunClockUntil([&] { return done.load(); });
  client.join();
  EXPECT_EQ(blank, "\n\rBOB::  " + std::string(56, 'A') + " \r\nBBBBBBBBBB\r\n");
  EXPECT_EQ(hard, "\n\rBOB::  " + std::string(62, 'C') + "\r\n" + std::string(8, 'C') + "\r\n");
}

// The station ending in the middle of a long line does not wait for the
// rest of it to go out.
TEST_F(StationChatTest, ShutdownCutsALongLineShort) {
  std::atomic<bool> started{false};
  std::thread client([&] {
    SmtpTestClient bob(port);
    LogIn(bob, "bob");
    bob.Send(std::string(2000, 'e') + "\r\n");
    bob.ReadUntil("EEEEEEEEEE");
    started = true;
    bob.ReadUntil("never");  // until the station closes the connection
  });
  RunClockUntil([&] { return started.load(); });
  station.NetworkPart().StopNetworkServers();
  client.join();
  const std::vector<int> sent = line.Bytes();
  EXPECT_LT(std::count(sent.begin(), sent.end(), 1), 2000);  // E is code 1
  EXPECT_GE(std::count(sent.begin(), sent.end(), 1), 10);
}

// The telnet client of the system, with its default options, on a
// terminal of its own.
class TelnetOnTerminal {
 public:
  explicit TelnetOnTerminal(int port) {
    const std::string portText = std::to_string(port);
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::execlp("telnet", "telnet", "127.0.0.1", portText.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~TelnetOnTerminal() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) {
      ::close(master_);
    }
  }
  TelnetOnTerminal(const TelnetOnTerminal&) = delete;
  TelnetOnTerminal& operator=(const TelnetOnTerminal&) = delete;

  // What the terminal shows up to and including `text`; all it showed when
  // that never came.
  std::string ShowsUntil(std::string_view text) {
    for (;;) {
      const std::size_t at = shown_.find(text);
      if (at != std::string::npos) {
        std::string upTo = shown_.substr(0, at + text.size());
        shown_.erase(0, at + text.size());
        return upTo;
      }
      pollfd wait{master_, POLLIN, 0};
      char chunk[1024];
      const ssize_t got = ::poll(&wait, 1, 20000) > 0 ? ::read(master_, chunk, sizeof chunk) : -1;
      if (got <= 0) {
        return std::exchange(shown_, {});
      }
      shown_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void Type(std::string_view keys) {
    [[maybe_unused]] const ssize_t written = ::write(master_, keys.data(), keys.size());
  }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  std::string shown_;
};

TEST_F(StationChatTest, AnOperatorChatsWithTheSystemsTelnetClient) {
  std::atomic<bool> done{false};
  std::string login, echoed;
  std::thread operatorAtTerminal([&] {
    TelnetOnTerminal telnet(port);
    login = telnet.ShowsUntil("Enter User Name:  ");
    telnet.Type("bob\r");
    telnet.ShowsUntil("Begin Session");  // the terminal adds its own CRs to line feeds
    telnet.Type("hello\r");
    echoed = telnet.ShowsUntil("BOB::  HELLO");
    done = true;
  });
  RunClockUntil([&] { return done.load(); });
  operatorAtTerminal.join();
  EXPECT_NE(login.find("Telnet Chat Server Service Ready"), std::string::npos) << login;
  EXPECT_NE(echoed.find("BOB::  HELLO"), std::string::npos) << echoed;
  station.NetworkPart().StopNetworkServers();  // the session has finished sending
  const std::vector<int> codes = CodesOf("BOB::  HELLO");
  const std::vector<int> sent = line.Bytes();
  EXPECT_NE(std::search(sent.begin(), sent.end(), codes.begin() + 1, codes.end()), sent.end());
}

// The login and idle limits, shortened: a client that never gives a name,
// and one that falls silent after it.
TEST_F(StationChatTest, SilentClientsAreLetGo) {
  ChatStation parts = Parts();
  ChatListener::Options options;
  options.port = 0;
  options.timeouts = {200ms, 300ms};
  ChatListener chat(options, parts);
  ASSERT_TRUE(chat.Start());
  std::atomic<bool> done{false};
  bool nameless = false;
  bool silent = false;
  std::thread clients([&] {
    SmtpTestClient noName(chat.Port());
    noName.ReadUntil("Enter User Name:  ");
    nameless = noName.ServerClosed();
    SmtpTestClient quiet(chat.Port());
    LogIn(quiet, "bob");
    silent = quiet.ServerClosed();
    done = true;
  });
  RunClockUntil([&] { return done && window.chatUsers.rows.empty(); });
  clients.join();
  chat.Stop();
  EXPECT_TRUE(nameless);
  EXPECT_TRUE(silent);
  EXPECT_TRUE(Logged("Login Failure -- Ending connection"));
  EXPECT_TRUE(window.chatUsers.rows.empty());
  const auto texts = LogTexts();
  EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                         [](const std::string& text) {
                           return text.starts_with("Ending connection for [") &&
                                  text.ends_with("] bob");
                         }),
            texts.end());
}

// A line typed while a file goes out waits for the file's end: neither is
// cut by the other on the air.
TEST_F(StationChatTest, FilesAndChatLinesNeverInterleave) {
  std::string file;
  for (int i = 0; i < 6; ++i) {
    file += "RYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRY\r\n";
  }
  testing::ScheduleFiles(station, {{"news.txt", file}});
  std::atomic<bool> done{false};
  std::thread client([&] {
    SmtpTestClient bob(port);
    LogIn(bob, "bob");
    bob.Send("73 de bob\r\n");
    bob.ReadUntil("73 DE BOB\r\n");
    done = true;
  });
  // The file starts once its lead-in is over; the line is typed before.
  RunClockUntil([&] { return done && Logged("Completed sending <news.txt>."); });
  client.join();
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
  station.NetworkPart().StopNetworkServers();  // the session has finished sending
  const std::vector<int> sent = line.Bytes();
  const auto contiguous = [&sent](std::vector<int> codes) {
    codes.erase(codes.begin());  // the leading shift depends on what went before
    return std::search(sent.begin(), sent.end(), codes.begin(), codes.end()) != sent.end();
  };
  EXPECT_TRUE(contiguous(CodesOf(file)));
  EXPECT_TRUE(contiguous(CodesOf("BOB::  73 DE BOB\r\n")));
}

}  // namespace
}  // namespace kestrix
