// The SMTP server over real loopback connections: the dialogue of both
// port variants, the error limit, the idle timeout, and what the intake
// files and queues.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <set>
#include <thread>

#include "station/net/tcp_listener.h"
#include "tests/station/net/smtp_server_fixture.h"

namespace kestrix::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kStoredNews =
    "From: ann@example.org\r\n"
    "To: General Delivery\r\n"
    "Subject: Net news\r\n"
    "Date: Tue, 8 Dec 2026 18:00:00 +0000\r\n"
    "\r\r\n"
    "CQ CQ DE STATION\r\n"
    "73\r\r\nNNNN\r\r\n";

// The mail loader's own dialogue: words after the commands, RSET with the
// last reply's text, and the end of the session on port 1.
TEST_F(SmtpServerTest, TheMailLoadersDialogueStoresQueuesAndEnds) {
  StartListener(1);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("HELO quillon\r\n"), "250 KESTRIX.STATION");
    EXPECT_EQ(client.Command("MAIL FROM:<ann@example.org>\r\n"), "250 Ready to Receive");
    EXPECT_EQ(client.Command("RCPT TO: <QERV@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA qerv@station\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Net news", "CQ CQ DE STATION\r\n73")),
              "250 message succesfully stored as \"Net_news.txt\"");
    EXPECT_EQ(client.Command("RSET 250 message succesfully stored\r\n"), "250 Reset");
    EXPECT_EQ(client.Command("QUIT bye\r\n"), "250 goodby, have a nice day");
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();

  EXPECT_EQ(ReadFile("data/Net_news.txt"), kStoredNews);
  ASSERT_EQ(queue.Count(), 1);
  EXPECT_EQ(SplitQueueLine(queue.Text(0)).name, "Net_news.txt");
  EXPECT_EQ(ReadFile("data/schedule_temp.lst"), "Net_news.txt\n");
  for (const char* line : {"MTServerThread1 : SMTP E-Mail Connect from [127.000.000.001]",
                           "SMTP E-Mail Received from [helo quillon", "mail from:<ann@example.org>",
                           "RCPT TO:<qerv@station>", "354 Send Data",
                           "StoreDataMessage : \"data/Net_news.txt\" submitted to queue",
                           "250 message succesfully stored as \"Net_news.txt\"",
                           "250 Reset RSET 250 message succesfully stored",
                           "250 goodby, have a nice day", "Ending connection"}) {
    EXPECT_TRUE(Logged(line)) << line;
  }
  EXPECT_FALSE(Logged("250 Recipient OK"));  // port 1 does not log it
  // The session's own receive file is gone.
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

TEST_F(SmtpServerTest, PortTwoGoesOnAfterQuitAndAfterA452) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("DATA\r\n"),
              "452  Requested action not taken: improper protocol sequence, no CMDRCPT");
    EXPECT_EQ(client.Command("QUIT\r\n"), "250 goodby, have a nice day");
    EXPECT_EQ(client.Command("NOOP\r\n"), "502 command [noop] not implemented");
    EXPECT_EQ(client.Command("rcpt to:<qerv@station>\r\n"), "250 Recipient OK");
    client.CloseSending();
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();
  EXPECT_TRUE(Logged("MTServerThread2 : SMTP E-Mail Connect from [127.000.000.001]"));
  EXPECT_TRUE(Logged("250 Recipient OK"));
  EXPECT_TRUE(Logged("Socket Closed while Waiting for first Helo (or timeout)"));
}

// Too long a message is refused for good, nothing of it is stored, and the
// session goes on: the next one is taken.
TEST_F(SmtpServerTest, AMessageOverTheSizeLimitGets552AndNothingIsStored) {
  settings.QERVMaxMessageBytes = 1000;
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    std::string big = "Subject: big\r\n\r\n";
    for (int i = 0; i < 40; ++i) {
      big += "LINE OF A BULLETIN THAT IS FAR TOO LONG FOR THE LIMIT\r\n";
    }
    EXPECT_EQ(client.Command(big + ".\r\n"),
              "552 Requested mail action aborted: exceeded storage allocation");
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_TRUE(client.Command("Subject: small\r\n\r\nCQ\r\n.\r\n").starts_with("250 message"));
    client.CloseSending();
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();
  EXPECT_TRUE(Logged("Message refused: longer than 1000 bytes (QERVMaxMessageBytes)"));
  EXPECT_FALSE(std::filesystem::exists("data/big.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/small.txt"));
  EXPECT_EQ(queue.Count(), 1);
}

TEST_F(SmtpServerTest, PortOneEndsAfterA452) {
  StartListener(1);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("DATA\r\n"),
              "452  Requested action not taken: improper protocol sequence, no CMDRCPT");
    EXPECT_TRUE(client.ServerClosed());
  });
}

TEST_F(SmtpServerTest, ARefusedRecipientEndsTheSessionAfterTheErrorLimitReply) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<someone@else>\r\n"), "550 No such user here");
    EXPECT_EQ(client.ReadLine(), "500 Too many command syntax errors, I quit!");
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();
  EXPECT_TRUE(Logged("RCPT TO:<someone@else> has been rejected"));
}

// Several commands in one receive are answered in order, and the limit is
// looked at only after all of them.
TEST_F(SmtpServerTest, TheErrorLimitIsTestedAfterTheWholeReceive) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    client.Send("NOOP\r\nfoo bar\r\n\r\nVRFY x\r\nHELP\r\nX-AUTO-RCPT: a\r\nHELO x\r\n");
    EXPECT_EQ(client.ReadLine(), "502 command [noop] not implemented");
    EXPECT_EQ(client.ReadLine(), "502 command [] not implemented");
    EXPECT_EQ(client.ReadLine(), "502 command [] not implemented");
    EXPECT_EQ(client.ReadLine(), "502 command [vrfy] not implemented");
    EXPECT_EQ(client.ReadLine(), "502 command [help] not implemented");
    EXPECT_EQ(client.ReadLine(), "502 command [] not implemented");
    EXPECT_EQ(client.ReadLine(), "250 KESTRIX.STATION");
    EXPECT_EQ(client.ReadLine(), "500 Too many command syntax errors, I quit!");
    EXPECT_TRUE(client.ServerClosed());
  });
}

// A command and a message that arrive in pieces of any size, with a line
// that the client dot-stuffed.
TEST_F(SmtpServerTest, PiecesOfAnySizeAreJoinedAndLeadingDotsTakenBack) {
  StartListener(1);
  Talk([](SmtpTestClient& client) {
    client.Send("RC");
    std::this_thread::sleep_for(20ms);  // to make the pieces separate receives
    EXPECT_EQ(client.Command("PT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    const std::string message = Message("Dots", "..hidden\r\n..\r\nlast");
    for (std::size_t i = 0; i < message.size(); i += 3) {
      client.Send(std::string_view(message).substr(i, 3));
    }
    EXPECT_EQ(client.ReadLine(), "250 message succesfully stored as \"Dots.txt\"");
  });
  EXPECT_NE(ReadFile("data/Dots.txt").find("\r\n.hidden\r\n.\r\nlast\r\r\nNNNN"), std::string::npos)
      << ReadFile("data/Dots.txt");
}

TEST_F(SmtpServerTest, AnIdleClientIsToldAndDisconnected) {
  StartListener(2, 200ms);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.ReadLine(), "552 Requested mail action aborted: exceeded timeout");
    EXPECT_TRUE(client.ServerClosed());
  });
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    client.Send("Subject: half\r\n\r\nno end");
    EXPECT_EQ(client.ReadLine(), "552 Requested mail action aborted: exceeded timeout");
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();
  EXPECT_TRUE(Logged("Socket Closed while Waiting for first Helo (or timeout)"));
  EXPECT_TRUE(Logged("Socket Unexpectedly Closed while Storing Temp Data File"));
  EXPECT_TRUE(Logged("451 Log file \"data/E_20261208_180000.000.txt\" failed to end in DOT"));
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_FALSE(std::filesystem::exists("data/half.txt"));
}

// A second message of a queued subject is refused before anything replaces
// the queued file.
TEST_F(SmtpServerTest, ADuplicateSubjectLeavesTheQueuedFileAlone) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Net news", "CQ CQ DE STATION\r\n73")),
              "250 message succesfully stored as \"Net_news.txt\"");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Net news", "OTHER TEXT")),
              "250 message \"Net_news.txt\" not sent because of bad word violation");
  });
  StopListener();
  EXPECT_EQ(ReadFile("data/Net_news.txt"), kStoredNews);
  EXPECT_EQ(queue.Count(), 1);
  const std::string refused = ReadFile("data/badwords/Net_news.txt");
  EXPECT_NE(refused.find("OTHER TEXT"), std::string::npos);
  EXPECT_NE(refused.find("\r\n\r\n=======================\r\n"
                         "ERROR - Duplicate Message \"Net_news.txt\" already in queue\r\n"
                         "=======================\r\n"),
            std::string::npos);
  EXPECT_TRUE(Logged("Warning: File \"Net_news.txt\" moved to badwords directory"));
}

TEST_F(SmtpServerTest, BannedWordsAndLongLinesGoToBadWords) {
  StartListener(1);
  const std::string line72(72, 'X');
  Talk([&](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Trip", "TO AMSTERDAM\r\n73")),
              "250 message \"Trip.txt\" not sent because of bad word violation");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Wide", std::string(71, 'Y') + "\r\n" + line72 + "\r\n73")),
              "250 message \"Wide.txt\" not sent because of line length greater than 72");
  });
  StopListener();
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_TRUE(Logged("ERROR - Message Contained bad word \"DAM\" in text"));
  EXPECT_TRUE(Logged("ERROR - Line 7 has 73 characters, only 72 max are allowed"));
  EXPECT_TRUE(std::filesystem::exists("data/badwords/Trip.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/badwords/Wide.txt"));
  EXPECT_FALSE(std::filesystem::exists("data/Trip.txt"));
}

// Sessions at once, each message in its own receive file and under its own
// name, even within one millisecond (the simulated clock stands still).
TEST_F(SmtpServerTest, ParallelSessionsEachStoreTheirOwnMessage) {
  settings.QERVUseSubjectFileName = 0;
  StartListener(2);
  constexpr int kClients = 6;
  constexpr int kMessages = 4;
  RunClients([&] {
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
      clients.emplace_back([&, c] {
        SmtpTestClient client(port);
        client.ReadLine();
        EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
        for (int m = 0; m < kMessages; ++m) {
          EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
          const std::string body = "CLIENT " + std::to_string(c) + " MESSAGE " + std::to_string(m);
          EXPECT_EQ(client.Command(Message("x", body)).substr(0, 34),
                    "250 message succesfully stored as ");
        }
      });
    }
    for (std::thread& client : clients) {
      client.join();
    }
  });
  StopListener();
  ASSERT_EQ(queue.Count(), kClients * kMessages);
  std::set<std::string> bodies;
  for (int i = 0; i < queue.Count(); ++i) {
    const std::string name = SplitQueueLine(queue.Text(i)).name;
    const std::string text = ReadFile("data/" + name);
    const std::size_t at = text.find("CLIENT ");
    ASSERT_NE(at, std::string::npos) << name;
    bodies.insert(text.substr(at, text.find('\r', at) - at));
  }
  EXPECT_EQ(bodies.size(), static_cast<std::size_t>(kClients * kMessages));
  EXPECT_TRUE(std::filesystem::exists("data/E_20261208_180000.000.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/E_20261208_180000.000-2.txt"));
}

TEST_F(SmtpServerTest, ConnectionsBeyondTheLimitAreRefusedAndServingGoesOn) {
  StartListener(2, 20s, 2);
  RunClients([&] {
    auto first = std::make_unique<SmtpTestClient>(port);
    SmtpTestClient second(port);
    first->ReadLine();
    second.ReadLine();
    // Clients that have said something keep their places.
    EXPECT_EQ(first->Command("HELO one\r\n"), "250 KESTRIX.STATION");
    EXPECT_EQ(second.Command("HELO two\r\n"), "250 KESTRIX.STATION");
    SmtpTestClient third(port);
    EXPECT_EQ(third.ReadLine(),
              "421 KESTRIX.STATION Service not available, too many sessions, closing channel");
    EXPECT_TRUE(third.ServerClosed());
    first.reset();
    // The first session ends once it sees the close; then a place is free.
    std::string greeting;
    for (int attempt = 0; attempt < 1000 && greeting.rfind("220", 0) != 0; ++attempt) {
      SmtpTestClient again(port);
      greeting = again.ReadLine();
      if (greeting.rfind("220", 0) != 0) {
        std::this_thread::sleep_for(5ms);
      }
    }
    EXPECT_EQ(greeting, "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
  });
}

TEST_F(SmtpServerTest, APortInUseIsLoggedWithTheReason) {
  TcpListener holder;
  ASSERT_EQ(holder.Listen(0, 1), "");
  SmtpListener::Options options;
  options.port = holder.Port();
  SmtpListener blocked(options, loop, log, intakeQueue, intake);
  EXPECT_FALSE(blocked.Start());
  EXPECT_TRUE(Logged("SmtpListener : cannot listen on port " + std::to_string(holder.Port()) +
                     ": Address already in use"));
}

}  // namespace
}  // namespace kestrix::testing
