// Mail reaching the whole station: a bulletin mailed while a file goes out
// is filed and queued from inside the transmission, whose waits serve the
// mail session's window calls between characters.

#include <thread>

#include "station/queue/send_queue.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSerialLine;

using StationMailTest = testing::StationTest;

TEST_F(StationMailTest, MailIsQueuedWhileAFileGoesOut) {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG\r\n";
  }
  testing::WriteFile("data/long.txt", text);
  testing::WriteFile("data/schedule.lst", "long.txt\n");
  StartWith("QERVCOMMPORT=\"com1\"\nQERVSCHEDULERENABLE=1\n");
  ASSERT_NE(station.NetworkPart().Smtp(1), nullptr);
  const int port = station.NetworkPart().Smtp(1)->Port();

  std::thread client;
  std::string reply;
  WallClock::time_point mailedAt;
  WallClock::time_point repliedAt;
  loop.PostAt(loop.Now() + 60s, [&] {
    mailedAt = loop.Now();
    // The clock holds while this thread runs: the transmission stays where
    // it is unless its waits serve the session.
    client = loop.StartThread([&] {
      testing::SmtpTestClient mail(port);
      mail.ReadLine();
      mail.Command("RCPT TO:<qerv@station>\r\n");
      mail.Command("DATA\r\n");
      reply =
          mail.Command("From: ann@example.org\r\nSubject: Mailed\r\n\r\nCQ CQ\r\n.\r\nQUIT\r\n");
      repliedAt = loop.Now();
    });
  });
  loop.RunFor(10min);
  ASSERT_TRUE(client.joinable());
  client.join();

  EXPECT_EQ(reply, "250 message succesfully stored as \"Mailed.txt\"");
  EXPECT_EQ(repliedAt, mailedAt);
  const auto bytes = line.EventsOf(RecordingSerialLine::Kind::kByte);
  ASSERT_FALSE(bytes.empty());
  EXPECT_LT(start + bytes.front().at, mailedAt);
  EXPECT_GT(start + bytes.back().at, mailedAt + 60s);
  EXPECT_TRUE(Logged("StoreDataMessage : \"data/Mailed.txt\" submitted to queue"));
  EXPECT_TRUE(Logged("Completed sending <long.txt>."));
}

}  // namespace
}  // namespace kestrix
