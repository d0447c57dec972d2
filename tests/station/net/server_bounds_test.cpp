// The bounds that keep the mail server serving under abuse: the time a
// request may take however slowly it trickles in, the commands a session
// may send between messages, the places silent connections can hold, and
// how long a reply waits for a client that does not read.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "station/net/connection_server.h"
#include "station/net/smtp_input.h"
#include "station/net/smtp_session.h"
#include "station/net/socket_connection.h"
#include "tests/station/net/smtp_server_fixture.h"
#include "tests/support/raw_test_client.h"

namespace kestrix::testing {
namespace {

using namespace std::chrono_literals;

const std::string kTimeoutReply(SmtpInput::kTimeoutReply);

class ServerBoundsTest : public SmtpServerTest {
 protected:
  void StartWith(SmtpListener::Options options) {
    options.port = 0;
    listener = std::make_unique<SmtpListener>(options, loop, log, intakeQueue, intake);
    ASSERT_TRUE(listener->Start());
    port = listener->Port();
  }
};

// A byte every 20 ms never leaves the socket silent for the idle time, yet
// the line and the message take far longer than their time.
TEST_F(ServerBoundsTest, ACommandOrAMessageTrickledInIsEndedByItsTime) {
  StartListener(2, 300ms);
  RunClients([&] {
    RawTestClient command(port);
    EXPECT_EQ(command.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready\r\n");
    const std::string line = "HELO " + std::string(200, 'x');
    EXPECT_LT(command.Trickle(line, 20ms), line.size());
    EXPECT_EQ(command.ReadAll(), kTimeoutReply);

    RawTestClient message(port);
    EXPECT_EQ(message.ReadLine().substr(0, 4), "220 ");
    EXPECT_EQ(message.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK\r\n");
    EXPECT_EQ(message.Command("DATA\r\n"), "354 Send Data\r\n");
    const std::string text = "Subject: slow\r\n\r\n" + std::string(200, 'x');
    EXPECT_LT(message.Trickle(text, 20ms), text.size());
    EXPECT_EQ(message.ReadAll(), kTimeoutReply);
  });
  StopListener();
  EXPECT_TRUE(Logged("Socket Unexpectedly Closed while Storing Temp Data File"));
  EXPECT_FALSE(std::filesystem::exists("data/slow.txt"));
  EXPECT_EQ(queue.Count(), 0);
}

// A message that takes longer than the idle time but comes at a fair rate
// earns its time as it arrives.
TEST_F(ServerBoundsTest, AMessageSlowerThanTheIdleTimeButSteadyIsTaken) {
  StartListener(2, 300ms);
  Talk([](SmtpTestClient& client) {
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    client.Send("Subject: steady\r\n\r\n");
    std::string piece;
    for (int line = 0; line < 40; ++line) {
      piece += "SLOW BUT STEADY LINE\r\n";
    }
    for (int i = 0; i < 20; ++i) {  // about a second at 17 kB/s
      client.Send(piece);
      std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(client.Command("73\r\n.\r\n"), "250 message succesfully stored as \"steady.txt\"");
  });
  StopListener();
  EXPECT_EQ(queue.Count(), 1);
}

// A mail program sends a handful of commands per message; a client that
// only sends commands is let go, and every message starts the count anew.
TEST_F(ServerBoundsTest, CommandsBetweenMessagesAreLimited) {
  StartListener(2);
  Talk([](SmtpTestClient& client) {
    for (int i = 0; i < 60; ++i) {
      ASSERT_EQ(client.Command("RSET\r\n"), "250 Reset");
    }
    EXPECT_EQ(client.Command("RCPT TO:<qerv@station>\r\n"), "250 Recipient OK");
    EXPECT_EQ(client.Command("DATA\r\n"), "354 Send Data");
    EXPECT_EQ(client.Command(Message("Counted", "CQ")),
              "250 message succesfully stored as \"Counted.txt\"");
    for (int i = 0; i < SmtpSession::kCommandLimit; ++i) {
      ASSERT_EQ(client.Command("RSET\r\n"), "250 Reset") << i;
    }
    EXPECT_EQ(client.Command("RSET\r\n"), "250 Reset");
    EXPECT_EQ(client.ReadLine(),
              "421 KESTRIX.STATION Too many commands without a message, closing channel");
    EXPECT_TRUE(client.ServerClosed());
  });
  StopListener();
  EXPECT_EQ(queue.Count(), 1);
}

// Two connections that never said a word to their greetings hold both
// places; a newcomer takes the older one's, and once every client has
// spoken the next is refused.
TEST_F(ServerBoundsTest, ANewcomerTakesThePlaceOfTheOldestSilentConnection) {
  SmtpListener::Options options;
  options.variant = 2;
  options.maxSessions = 2;
  options.displaceAfter = 0ms;
  StartWith(options);
  RunClients([&] {
    SmtpTestClient oldest(port);
    SmtpTestClient silent(port);
    EXPECT_EQ(oldest.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
    EXPECT_EQ(silent.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
    SmtpTestClient newcomer(port);
    EXPECT_EQ(newcomer.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
    EXPECT_EQ(oldest.ReadLine(), "421 KESTRIX.STATION Service not available, closing channel");
    EXPECT_TRUE(oldest.ServerClosed());

    EXPECT_EQ(silent.Command("HELO two\r\n"), "250 KESTRIX.STATION");
    EXPECT_EQ(newcomer.Command("HELO three\r\n"), "250 KESTRIX.STATION");
    SmtpTestClient late(port);
    EXPECT_EQ(late.ReadLine(),
              "421 KESTRIX.STATION Service not available, too many sessions, closing channel");
    EXPECT_TRUE(late.ServerClosed());
    EXPECT_EQ(newcomer.Command("QUIT\r\n"), "250 goodby, have a nice day");
  });
  StopListener();
  EXPECT_TRUE(Logged(
      "MTServerThread2 : SMTP connection from [127.000.000.001] ended: no command yet and every "
      "session taken"));
}

// A client is given time to answer its greeting before a newcomer may take
// its place.
TEST_F(ServerBoundsTest, AClientGreetedMomentsAgoKeepsItsPlace) {
  SmtpListener::Options options;
  options.maxSessions = 1;
  options.displaceAfter = 20s;
  StartWith(options);
  RunClients([&] {
    SmtpTestClient first(port);
    EXPECT_EQ(first.ReadLine(), "220 KESTRIX.STATION Simple Mail Transfer Service Ready");
    SmtpTestClient second(port);
    EXPECT_EQ(second.ReadLine(),
              "421 KESTRIX.STATION Service not available, too many sessions, closing channel");
    EXPECT_EQ(first.Command("HELO one\r\n"), "250 KESTRIX.STATION");
  });
}

// The accepting thread logs every connection it turns away, through the
// window thread; stopping the server on the window thread while it does so
// must serve that call, not wait for the thread that waits for it.
TEST_F(ServerBoundsTest, StoppingWhileAConnectionIsTurnedAwayEnds) {
  SmtpListener::Options options;
  options.access.restricted = true;  // nobody may connect
  StartWith(options);
  RawTestClient refused(port);
  // Sent before the log line: the accepting thread is on its way to it.
  EXPECT_EQ(refused.ReadLine().substr(0, 4), "554 ");
  std::atomic<bool> stopped{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 3000 && !stopped; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    if (!stopped) {
      std::fprintf(stderr, "Stop() hangs while a connection is logged\n");
      std::_Exit(1);
    }
  });
  listener->Stop();
  stopped = true;
  watchdog.join();
  EXPECT_TRUE(
      Logged("MTServerThread1 : SMTP connection from [127.000.000.001] refused: not in "
             "QERVAllowFrom"));
}

// A session that has closed its connection and only writes its last log
// lines leaves its place to the next client; such threads still count
// towards twice the limit.
TEST(ConnectionServerBounds, ASessionThatHasClosedItsConnectionLeavesItsPlace) {
  SimulatedEventLoop loop{LocalMoment(2026, 12, 8, 18, 0, 0)};
  ConnectionServer server(loop, 1);
  ASSERT_EQ(server.Listen(0, INADDR_LOOPBACK), "");
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  ConnectionServer::Handlers handlers;
  handlers.session = [&](const std::shared_ptr<SocketConnection>& connection) {
    connection->Send("served\r\n");
    connection->Close();
    released.wait();  // as a log line waits for a busy window
  };
  handlers.refused = [](SocketConnection& connection) { connection.Send("full\r\n"); };
  server.Start(std::move(handlers));
  RawTestClient first(server.Port());
  EXPECT_EQ(first.ReadLine(), "served\r\n");
  EXPECT_EQ(first.ReadAll(), "");
  RawTestClient second(server.Port());
  EXPECT_EQ(second.ReadLine(), "served\r\n");
  EXPECT_EQ(second.ReadAll(), "");
  RawTestClient third(server.Port());
  EXPECT_EQ(third.ReadLine(), "full\r\n");
  release.set_value();
  server.Stop();
}

// A closed session that only writes its last lines holds no place, so
// taking it from its client would free none: the newcomer is refused.
TEST(ConnectionServerBounds, OnlyAnOpenSessionIsDisplaced) {
  SimulatedEventLoop loop{LocalMoment(2026, 12, 8, 18, 0, 0)};
  ConnectionServer server(loop, 2, 0ms);
  ASSERT_EQ(server.Listen(0, INADDR_LOOPBACK), "");
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> sessions{0};
  ConnectionServer::Handlers handlers;
  handlers.session = [&](const std::shared_ptr<SocketConnection>& connection) {
    const bool first = sessions++ == 0;
    connection->MarkGreeted();
    if (!first) {
      connection->MarkProven();
    }
    connection->Send("served\r\n");
    if (first) {
      connection->Close();  // greeted, silent, and gone
    }
    released.wait();
  };
  handlers.refused = [](SocketConnection& connection) { connection.Send("full\r\n"); };
  handlers.displaced = [](SocketConnection& connection) { connection.SendNow("displaced\r\n"); };
  server.Start(std::move(handlers));
  RawTestClient closed(server.Port());
  EXPECT_EQ(closed.ReadLine(), "served\r\n");
  EXPECT_EQ(closed.ReadAll(), "");
  RawTestClient second(server.Port());
  RawTestClient third(server.Port());
  EXPECT_EQ(second.ReadLine(), "served\r\n");
  EXPECT_EQ(third.ReadLine(), "served\r\n");
  RawTestClient fourth(server.Port());
  EXPECT_EQ(fourth.ReadLine(), "full\r\n");
  release.set_value();
  server.Stop();
}

// Until its session has greeted it, a client is not silent: the session
// may be waiting for the window to log its connection.
TEST(ConnectionServerBounds, AClientNotYetGreetedKeepsItsPlace) {
  SimulatedEventLoop loop{LocalMoment(2026, 12, 8, 18, 0, 0)};
  ConnectionServer server(loop, 1, 0ms);
  ASSERT_EQ(server.Listen(0, INADDR_LOOPBACK), "");
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  ConnectionServer::Handlers handlers;
  handlers.session = [&](const std::shared_ptr<SocketConnection>& connection) {
    released.wait();
    connection->MarkGreeted();
    connection->Send("served\r\n");
  };
  handlers.refused = [](SocketConnection& connection) { connection.Send("full\r\n"); };
  handlers.displaced = [](SocketConnection& connection) { connection.SendNow("displaced\r\n"); };
  server.Start(std::move(handlers));
  RawTestClient first(server.Port());
  RawTestClient second(server.Port());
  EXPECT_EQ(second.ReadLine(), "full\r\n");
  release.set_value();
  EXPECT_EQ(first.ReadLine(), "served\r\n");
  server.Stop();
}

// A peer that never reads: the send gives up at its time and closes the
// connection, so the session's next wait ends at once.
TEST(SocketConnectionBounds, AReplyTheClientNeverTakesIsGivenUp) {
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  SocketConnection connection(fds[0]);
  connection.SetSendTimeout(200ms);
  auto sending =
      std::async(std::launch::async, [&] { return connection.Send(std::string(8 << 20, 'x')); });
  const bool ended = sending.wait_for(60s) == std::future_status::ready;
  if (!ended) {
    ::shutdown(fds[1], SHUT_RDWR);  // lets the stuck send go, so the test ends
  }
  EXPECT_TRUE(ended);
  EXPECT_FALSE(sending.get());
  EXPECT_EQ(connection.Number(), -1);
  EXPECT_EQ(connection.WaitReadable(10s), SocketConnection::Wait::kClosed);
  ::close(fds[1]);
}

// A peer that reads takes a reply many times the socket's buffer.
TEST(SocketConnectionBounds, AReplyLargerThanTheBuffersReachesAReader) {
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  SocketConnection connection(fds[0]);
  connection.SetSendTimeout(20s);
  const std::string reply(4 << 20, 'y');
  std::size_t received = 0;
  std::thread reader([&] {
    char buffer[65536];
    for (ssize_t got;
         received < reply.size() && (got = ::recv(fds[1], buffer, sizeof buffer, 0)) > 0;) {
      received += static_cast<std::size_t>(got);
    }
  });
  EXPECT_TRUE(connection.Send(reply));
  reader.join();
  EXPECT_EQ(received, reply.size());
  EXPECT_NE(connection.Number(), -1);
  ::close(fds[1]);
}

}  // namespace
}  // namespace kestrix::testing
