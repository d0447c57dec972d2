// The chat server in the whole station: logins, a line that goes out on the
// serial line as its exact code stream while another user watches, the
// operator's Kill, and a user who leaves.

#include <atomic>
#include <thread>

#include "station/encoding/character_encoder.h"
#include "tests/station/app/station_fixture.h"
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
    loop.KeepPaceWithRealThreads(50ms);
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
    testing::SimulatedEventLoop other{start};
    struct Out : CodeOutput {
      void SendCode(int code) override { codes.push_back(code); }
      std::vector<int> codes;
    } out;
    CharacterEncoder fresh(out, other);
    for (char c : text) {
      fresh.EncodeCharacter(static_cast<unsigned char>(c), kModeMilitary);
    }
    return out.codes;
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

}  // namespace
}  // namespace kestrix
