// One mailing against a scripted loopback server: the bytes on the wire,
// the log, the queue and the window afterwards.

#include "mailer/smtp_client_session.h"

#include <gtest/gtest.h>

#include <climits>
#include <regex>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/mailer/fake_mail_window.h"
#include "tests/mailer/scripted_smtp_server.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class SmtpClientSessionTest : public ::testing::Test {
 protected:
  std::vector<std::string> Logged() const { return list.Texts(); }
  bool WasLogged(const std::string& text) const { return list.Has(text); }
  void Run(testing::ScriptedSmtpServer& server, bool singleFile = false) {
    window.port = std::to_string(server.Port());
    session.SendQueuedMail(singleFile);
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 5, 7)};
  testing::RecordingStatusList list;
  testing::RecordingMessageBox box;
  testing::FakeMailWindow window;
  MailLog log{loop, list};
  SmtpClientSession session{window, log, box, {std::chrono::milliseconds(300)}};
};

TEST_F(SmtpClientSessionTest, AFileGoesOutAsExactlyTheseBytes) {
  testing::WriteFile("news.today.txt", "WX TODAY\r\n.\r\n..STILL TEXT\r\nEND\r\n");
  window.queue = {"news.today.txt"};
  testing::ScriptedSmtpServer server(
      "220 ready\r\n", {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go ahead\r\n",
                        "250 Queued\r\n", "250 reset\r\n", "221 bye\r\n"});
  Run(server);
  const std::string wire = std::regex_replace(
      server.Received(), std::regex("Date: \\w{3} \\w{3} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\r\n"),
      "Date: *\r\n");
  const std::regex expected(
      "HELO from (.+)\r\n"
      "MAIL FROM:<Quillon_11p0@127\\.0\\.0\\.1>\r\n"
      "RCPT TO:<qerv@127\\.0\\.0\\.1>\r\n"
      "DATA qerv@127\\.0\\.0\\.1\r\n"
      "Date: \\*\r\nFrom: K1ABC\r\nTo: qerv@127\\.0\\.0\\.1\r\nSubject: news\r\n\r\n"
      // LF line ends as a text read gives them, and every leading dot doubled.
      "WX TODAY\n\\.\\.\n\\.\\.\\.STILL TEXT\nEND\n"
      "\r\n\\.\r\n"
      "RSET 250 Queued\r\n"
      "QUIT (.+)\r\n");
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(wire, parts, expected)) << wire;
  EXPECT_EQ(parts[1], parts[2]);  // the local name, in HELO and QUIT

  EXPECT_TRUE(WasLogged("Sending news.today.txt"));
  // A line end counts one; the doubled dots are sent on top.
  EXPECT_TRUE(WasLogged("Total of 28 characters in file"));
  EXPECT_TRUE(WasLogged("Total of 30 characters successfully sent"));
  EXPECT_TRUE(WasLogged("Getting gethostbyaddr [127.0.0.1]"));
  EXPECT_TRUE(WasLogged("Connected"));
  EXPECT_EQ(window.subjectsShown.front(), "news");
  EXPECT_EQ(window.subject, "Default (To use file name as subject, do not change this line)");
  EXPECT_TRUE(window.sendEnabled);
  EXPECT_FALSE(window.subjectReadOnly);
}

TEST_F(SmtpClientSessionTest, EveryFileGoesOutAndTheQueueComesBackInItsOrder) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    testing::WriteFile(name, std::string("BULLETIN ") + name + "\r\n");
  }
  window.queue = {"a.txt", "b.txt", "c.txt"};
  window.subject = "Club news";
  std::deque<std::string> replies = {"250 hello\r\n"};
  for (int i = 0; i < 3; ++i) {
    replies.insert(replies.end(),
                   {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 Queued\r\n", "250 reset\r\n"});
  }
  testing::ScriptedSmtpServer server("220 ready\r\n", replies);
  Run(server);
  const std::string wire = server.Received();
  EXPECT_EQ(window.queue, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    EXPECT_NE(wire.find(std::string("BULLETIN ") + name + "\n\r\n.\r\n"), std::string::npos);
  }
  // A subject that is not "Default..." goes on every file.
  std::size_t subjects = 0;
  for (std::size_t at = 0; (at = wire.find("Subject: Club news\r\n\r\n", at)) != std::string::npos;
       ++at) {
    ++subjects;
  }
  EXPECT_EQ(subjects, 3u);
}

TEST_F(SmtpClientSessionTest, MeteredMailSendsTheFirstFileAndMovesItToTheEnd) {
  for (const char* name : {"a.txt", "b.txt"}) {
    testing::WriteFile(name, "X\r\n");
  }
  window.queue = {"a.txt", "b.txt"};
  window.metered = true;
  testing::ScriptedSmtpServer server(
      "220 ready\r\n", {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 q\r\n"});
  Run(server);
  EXPECT_EQ(window.queue, (std::vector<std::string>{"b.txt", "a.txt"}));
  const std::string wire = server.Received();
  EXPECT_EQ(wire.find("DATA "), wire.rfind("DATA "));  // one message only
}

// A server that accepts and never greets: one timeout, then every step
// fails at once on the closed socket, and nothing is sent.
TEST_F(SmtpClientSessionTest, AServerThatNeverGreetsCostsOneTimeoutAndSendsNothing) {
  testing::WriteFile("a.txt", "X\r\n");
  window.queue = {"a.txt"};
  testing::ScriptedSmtpServer server("", {});
  Run(server);
  EXPECT_EQ(server.Received(), "");
  const auto texts = Logged();
  const auto at = std::find(texts.begin(), texts.end(), "Connected");
  ASSERT_NE(at, texts.end());
  const std::vector<std::string> expected = {
      "Connected",
      "Mail send aborted: exceeded timeout, closing socket",
      "[Socket Closed]",
      "Timed out waiting for greeting, socket closed",
      "unknown error, received [Socket Closed] response",
      "WSAENOTSOCK - The descriptor is not a socket.",
      "[WSA Error]",
      "WSAENOTSOCK - The descriptor is not a socket.",
      "[WSA Error]",
      "WSAENOTSOCK - The descriptor is not a socket.",
      "[WSA Error]",
      "WSAENOTSOCK - The descriptor is not a socket.",
      "[WSA Error]",
  };
  ASSERT_GE(texts.end() - at, static_cast<std::ptrdiff_t>(expected.size() + 1));
  EXPECT_EQ(std::vector<std::string>(at, at + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  EXPECT_TRUE(texts.back().starts_with("QUIT "));
  EXPECT_TRUE(window.sendEnabled);
  EXPECT_EQ(window.queue, (std::vector<std::string>{"a.txt"}));
}

TEST_F(SmtpClientSessionTest, RefusalsBeforeAnyConnection) {
  window.queue = {"a.txt"};
  window.mailFrom = "MrNoBodyKnows";
  window.metered = true;
  session.SendQueuedMail(false);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "Mail From \"NoBody\" is not allowed, please change");
  EXPECT_EQ(box.shown[0].caption, "Incorrect MailFrom Address");
  EXPECT_FALSE(window.metered);
  EXPECT_TRUE(window.sendEnabled);
  EXPECT_TRUE(list.lines.empty());

  window.mailFrom = "K1ABC";
  for (const char* port : {"x25", "65536", "0"}) {
    window.port = port;
    session.SendQueuedMail(false);
    EXPECT_EQ(Logged().back(), "ERROR -- Invalid Port Number") << port;
  }
  window.queue.clear();
  session.SendQueuedMail(false);
  EXPECT_EQ(Logged().back(), "Nothing to send");
  EXPECT_FALSE(window.subjectReadOnly);
}

TEST_F(SmtpClientSessionTest, AClosedPortIsReportedInTheOperatorsWords) {
  window.queue = {"a.txt"};
  {
    testing::ScriptedSmtpServer gone("", {});
    window.port = std::to_string(gone.Port());
  }  // nobody listens there any more
  session.SendQueuedMail(false);
  const auto texts = Logged();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2],
            "WSAECONNREFUSED - Connection refused. The attempt to connect was forcefully "
            "rejected. ");
  EXPECT_EQ(texts.back(), "Connection Failed");
}

TEST_F(SmtpClientSessionTest, AFileThatCannotBeOpenedLeavesTheQueueAndEndsTheSession) {
  window.queue = {"missing.txt", "b.txt"};
  testing::ScriptedSmtpServer server(
      "220 ready\r\n", {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 q\r\n"});
  Run(server);
  EXPECT_TRUE(WasLogged("Unable to open missing.txt, quitting"));
  EXPECT_EQ(window.queue, (std::vector<std::string>{"b.txt"}));
  EXPECT_NE(server.Received().find("QUIT "), std::string::npos);
}

TEST(SmtpClientSessionTextTest, PortsHostsSubjectsAndDates) {
  EXPECT_EQ(SmtpClientSession::PortOf("70000"), 4464);
  EXPECT_EQ(SmtpClientSession::PortOf("  593 // station"), 593);
  EXPECT_EQ(SmtpClientSession::PortOf("-1"), 65535);
  EXPECT_EQ(SmtpClientSession::PortOf("x25"), 0);
  EXPECT_EQ(SmtpClientSession::HostWord("127.0.0.1             // TEST ONLY, localhost loopback"),
            "127.0.0.1");
  EXPECT_EQ(SmtpClientSession::SubjectOfFile("C:\\Mail\\news.today.txt"), "news");
  EXPECT_EQ(SmtpClientSession::SubjectOfFile("/home/op/data/wx.txt"), "wx");
  EXPECT_EQ(SmtpClientSession::ReplyCode("  354 go ahead"), 354);
  EXPECT_EQ(SmtpClientSession::ReplyCode("[Socket Closed]"), 0);
  // The whole number while it fits an int, the int's end beyond.
  EXPECT_EQ(SmtpClientSession::ReplyCode("2147483647 max"), INT_MAX);
  EXPECT_EQ(SmtpClientSession::ReplyCode("-2147483648"), INT_MIN);
  EXPECT_EQ(SmtpClientSession::ReplyCode("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(SmtpClientSession::PortOf("2147483648"), 65535);
  // 2026-12-08 09:05:07 UTC, in English whatever the language.
  EXPECT_EQ(SmtpClientSession::DateText(std::chrono::system_clock::from_time_t(1796720707)),
            "Tue Dec 08 09:05:07 2026");
  bool lineStart = true;
  EXPECT_EQ(SmtpClientSession::DotStuffed(".A\n.", lineStart), "..A\n..");
  EXPECT_EQ(SmtpClientSession::DotStuffed(".B", lineStart), ".B");  // mid-line after a chunk
}

}  // namespace
}  // namespace kestrix
