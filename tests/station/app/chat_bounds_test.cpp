// The chat server's bounds against clients that would hold a place for
// ever: a name that trickles in, a connection that never logs in while
// every place is taken, a user who never reads what the station sends.

#include <atomic>
#include <thread>

#include "station/net/chat_listener.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/raw_test_client.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RawTestClient;
using testing::SmtpTestClient;

constexpr std::string_view kWelcomeEnd = "Begin Session ---------------------\n\r\n\r";

class ChatBoundsTest : public testing::StationTest {
 protected:
  ChatBoundsTest() {
    // The sessions run in real time: the clock gives them a moment to act
    // before it jumps ahead.
    loop.KeepPaceWithRealThreads(10ms);
    StartWith("QERVCOMMPORT=\"COM1\"\n");
  }

  // A listener of the test's own, on a free port.
  std::unique_ptr<ChatListener> Listen(ChatTimeouts timeouts, int maxSessions,
                                       std::chrono::milliseconds displaceAfter = 0ms) {
    parts = std::make_unique<ChatStation>(ChatStation{
        settings, loop, station.Commands().log, station.Clock(), station.QueuePart().Ring(),
        station.TransmitPart().Busy(), station.TransmitPart().Encoder(),
        station.TransmitPart().Router(), modem, station.TransmitPart().Morse(),
        station.TransmitPart().Transmit(), station.QueuePart().Cycle(), station.QueuePart().Queue(),
        window.textPane, window.chatUsers});
    ChatListener::Options options;
    options.port = 0;
    options.timeouts = timeouts;
    options.maxSessions = maxSessions;
    options.displaceAfter = displaceAfter;
    auto listener = std::make_unique<ChatListener>(options, *parts);
    EXPECT_TRUE(listener->Start());
    return listener;
  }

  // Runs the clock while the clients on their own threads talk.
  void RunClockUntil(const std::function<bool()>& done) {
    const auto limit = loop.Now() + 10min;
    while (!done() && loop.Now() < limit) {
      loop.WaitForNextEvent();
    }
  }

  bool LoggedEnd(const std::string& name) const {
    const auto texts = LogTexts();
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
      return text.starts_with("Ending connection for [") && text.ends_with("] " + name);
    });
  }

  std::unique_ptr<ChatStation> parts;
};

// A byte every 20 ms never leaves the socket silent for the login time, yet
// the name's line never ends: the login time counts from the connection.
TEST_F(ChatBoundsTest, ANameThatTricklesInIsCutAtTheLoginTime) {
  auto chat = Listen({300ms, 1h, 60s}, 32);
  std::atomic<bool> done{false};
  const std::string name(250, 'b');  // five seconds' worth
  std::size_t sent = 0;
  std::string said;
  std::thread client([&] {
    RawTestClient slow(chat->Port());
    slow.ReadUntil("Enter User Name:  ");
    sent = slow.Trickle(name, 20ms);
    said = slow.ReadAll();
    done = true;
  });
  RunClockUntil([&] { return done.load(); });
  client.join();
  chat->Stop();
  EXPECT_LT(sent, name.size());
  EXPECT_EQ(said, "");
  EXPECT_TRUE(Logged("Login Failure -- Ending connection"));
}

// With every place taken by connections that never logged in, a newcomer
// takes the oldest one's place; a user who has logged in keeps it.
TEST_F(ChatBoundsTest, ANewcomerTakesThePlaceOfAConnectionThatNeverLoggedIn) {
  auto chat = Listen({60s, 1h, 60s}, 1);
  std::atomic<bool> done{false};
  std::string displacedSaw, newcomerSaw, lateSaw;
  bool displacedClosed = false;
  bool lateClosed = false;
  std::thread clients([&] {
    SmtpTestClient silent(chat->Port());
    silent.ReadUntil("Enter User Name:  ");
    SmtpTestClient newcomer(chat->Port());
    newcomerSaw = newcomer.ReadUntil("Enter User Name:  ");
    displacedSaw = silent.ReadUntil("later.\r\n");
    displacedClosed = silent.ServerClosed();
    newcomer.Send("bob\r\n");
    newcomer.ReadUntil(kWelcomeEnd);
    SmtpTestClient late(chat->Port());
    lateSaw = late.ReadUntil("later.\r\n");
    lateClosed = late.ServerClosed();
    done = true;
  });
  RunClockUntil([&] { return done.load(); });
  clients.join();
  chat->Stop();
  EXPECT_EQ(newcomerSaw, "Telnet Chat Server Service Ready\r\nEnter User Name:  ");
  EXPECT_EQ(displacedSaw, "\r\nChat server full, please try again later.\r\n");
  EXPECT_TRUE(displacedClosed);
  EXPECT_EQ(lateSaw, "Chat server full, please try again later.\r\n");
  EXPECT_TRUE(lateClosed);
  EXPECT_TRUE(Logged(
      "MTServerThread3 : Telnet connection from [127.000.000.001] ended: no login yet and every "
      "session taken"));
  EXPECT_TRUE(LoggedEnd("bob"));
}

// A logged-in user who asks for option after option and never reads the
// answers: once the answers no longer fit, the send gives up at its time
// and the user is let go, well before the idle hour.
TEST_F(ChatBoundsTest, AUserWhoNeverReadsIsLetGo) {
  auto chat = Listen({60s, 1h, 300ms}, 32);
  std::atomic<bool> flooded{false};
  std::atomic<bool> release{false};
  std::thread client([&] {
    RawTestClient eve(chat->Port());
    eve.Send("eve\r\n");
    eve.ReadUntil(kWelcomeEnd);
    std::string asks;
    for (int i = 0; i < 20000; ++i) {
      asks += "\xff\xfd\x18";  // IAC DO TERMINAL-TYPE: each one is answered
    }
    eve.FloodWithoutReading(asks, 1s);
    flooded = true;
    while (!release) {
      std::this_thread::sleep_for(10ms);  // holds the connection, reading nothing
    }
  });
  RunClockUntil([&] { return flooded && LoggedEnd("eve"); });
  const bool letGo = LoggedEnd("eve");
  release = true;  // a stuck session ends once the client goes
  client.join();
  chat->Stop();
  EXPECT_TRUE(letGo);
}

}  // namespace
}  // namespace kestrix
