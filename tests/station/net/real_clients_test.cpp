// Real mail clients with their default options against the station's SMTP
// server: swaks, Python's smtplib and Postfix's smtp-source, and what the
// station stored and queued from them.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common_support/child_process.h"
#include "tests/station/net/smtp_server_fixture.h"

extern char** environ;

namespace kestrix::testing {
namespace {

// The sanitizer builds send fewer messages in the load test (CMakeLists.txt).
#ifndef KESTRIX_LOAD_MESSAGES
#define KESTRIX_LOAD_MESSAGES 1000
#endif
constexpr int kLoadMessages = KESTRIX_LOAD_MESSAGES;
constexpr std::chrono::milliseconds kToolTimeLimit{110000};  // under the test's own 120 s

// The tool's full path: where its Debian package puts it, else found on
// PATH; "" when it is not there.
std::string FindTool(const std::string& name, const std::string& packagePlace) {
  if (::access(packagePlace.c_str(), X_OK) == 0) {
    return packagePlace;
  }
  const char* path = std::getenv("PATH");
  std::stringstream directories(path ? path : "");
  std::string directory;
  while (std::getline(directories, directory, ':')) {
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return "";
}

struct ToolRun {
  int exitCode = -1;    // -1 when it did not end by itself
  std::string output;   // stdout and stderr together
  std::string failure;  // why it did not run to its end
};

std::string Describe(const std::vector<std::string>& argv, const ToolRun& run) {
  std::string text = "$";
  for (const std::string& arg : argv) {
    text += " " + arg;
  }
  text += "\nexit code " + std::to_string(run.exitCode) + " " + run.failure + "\n" + run.output;
  return text;
}

// Runs argv (argv[0] a full path) without standard input, its output going
// to `logName` in the working directory.
ToolRun RunTool(const std::vector<std::string>& argv, const std::string& logName) {
  ToolRun run;
  const pid_t pid = SpawnChild(argv, logName, ChildOutput::kTruncate, run.failure);
  if (pid < 0) {
    return run;
  }
  run.exitCode = WaitForChild(pid, kToolTimeLimit, run.failure);
  run.output = ReadFile(logName);
  return run;
}

// The names of the regular files directly in `directory`.
std::set<std::string> FilesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.is_regular_file()) {
      names.insert(entry.path().filename().string());
    }
  }
  return names;
}

constexpr const char* kSmtplibScript = R"(import smtplib
import sys

# Sends each message file in one session, as a mail program would.
smtp = smtplib.SMTP("127.0.0.1", int(sys.argv[1]))
for path in sys.argv[2:]:
    with open(path, newline="") as message:
        smtp.sendmail("ann@example.org", ["qerv@station"], message.read())
print(smtp.quit())
)";

class RealClientsTest : public SmtpServerTest {
 protected:
  // A tool's path; the test fails when the tool is missing.
  static std::string Tool(const std::string& name, const std::string& packagePlace,
                          const std::string& package) {
    const std::string path = FindTool(name, packagePlace);
    EXPECT_FALSE(path.empty()) << name << " is not installed (Debian package " << package
                               << "; scripts/install-deps.sh installs it)";
    return path;
  }

  // Runs the tool on a client thread while this thread serves the sessions.
  ToolRun RunClient(const std::vector<std::string>& argv, const std::string& logName) {
    ToolRun run;
    RunClients([&] { run = RunTool(argv, logName); });
    return run;
  }

  std::vector<std::string> Swaks(const std::string& to) const {
    return {swaks_, "--server", "127.0.0.1", "--port",         std::to_string(port),
            "--to", to,         "--from",    "ann@example.org"};
  }

  // Sends the messages (header and body texts with bare line feeds, as a
  // program holds them) with smtplib in one session.
  ToolRun SendWithSmtplib(const std::vector<std::string>& messages, const std::string& logName) {
    WriteFile("send_mail.py", kSmtplibScript);
    std::vector<std::string> argv = {python_, "send_mail.py", std::to_string(port)};
    for (std::size_t i = 0; i < messages.size(); ++i) {
      const std::string path = logName + "." + std::to_string(i) + ".eml";
      WriteFile(path, messages[i]);
      argv.push_back(path);
    }
    return RunClient(argv, logName);
  }

  static std::string Letter(const std::string& subject, const std::string& body) {
    return "From: ann@example.org\nTo: qerv@station\nSubject: " + subject +
           "\nDate: Tue, 8 Dec 2026 18:00:00 +0000\n\n" + body + "\n";
  }
  // What the station stores of Letter(subject, body).
  static std::string StoredLetter(const std::string& subject, const std::string& stored) {
    return "From: ann@example.org\r\nTo: General Delivery\r\nSubject: " + subject +
           "\r\nDate: Tue, 8 Dec 2026 18:00:00 +0000\r\n\r\r\n" + stored + "\r\r\nNNNN\r\r\n";
  }

  // The station's log, for failure messages.
  std::string LogDump() const {
    std::string text;
    for (const std::string& line : LogTexts()) {
      text += line + "\n";
    }
    return text;
  }

  std::string swaks_;
  std::string python_;
};

TEST_F(RealClientsTest, SwaksMessageIsStoredAndQueued) {
  swaks_ = Tool("swaks", "/usr/bin/swaks", "swaks");
  ASSERT_FALSE(swaks_.empty());
  StartListener(1);
  std::vector<std::string> argv = Swaks("qerv@station");
  argv.insert(argv.end(), {"--header", "Subject: Net news", "--body", "CQ CQ DE STATION\n73"});
  const ToolRun run = RunClient(argv, "swaks.log");
  StopListener();

  ASSERT_EQ(run.exitCode, 0) << Describe(argv, run);
  EXPECT_NE(run.output.find("<-  250 message succesfully stored as \"Net_news.txt\""),
            std::string::npos)
      << run.output;
  // swaks writes Date, To, From, Subject, Message-Id and X-Mailer, and
  // ends the body with an empty line of its own; the station keeps four
  // headers in their order and the text as it came.
  const std::string stored = ReadFile("data/Net_news.txt");
  ASSERT_EQ(stored.rfind("Date: ", 0), 0u) << stored;
  const std::size_t afterDate = stored.find("\r\n") + 2;
  EXPECT_EQ(stored.substr(afterDate),
            "To: General Delivery\r\nFrom: ann@example.org\r\nSubject: Net news\r\n\r\r\n"
            "CQ CQ DE STATION\r\n73\r\n\r\n\r\r\nNNNN\r\r\n");
  ASSERT_EQ(queue.Count(), 1);
  EXPECT_EQ(SplitQueueLine(queue.Text(0)).name, "Net_news.txt");
  // swaks greets with EHLO and takes the single-line reply as plain SMTP.
  const auto texts = LogTexts();
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
    return text.rfind("SMTP E-Mail Received from [ehlo ", 0) == 0;
  }));
}

TEST_F(RealClientsTest, SwaksRefusedRecipientAndBannedWordStoreNothingToSend) {
  swaks_ = Tool("swaks", "/usr/bin/swaks", "swaks");
  ASSERT_FALSE(swaks_.empty());
  StartListener(1);
  const std::vector<std::string> refused = Swaks("someone@else");
  const ToolRun refusedRun = RunClient(refused, "swaks-refused.log");
  std::vector<std::string> banned = Swaks("qerv@station");
  banned.insert(banned.end(), {"--header", "Subject: Trip", "--body", "TO AMSTERDAM\n73"});
  const ToolRun bannedRun = RunClient(banned, "swaks-banned.log");
  StopListener();

  EXPECT_GT(refusedRun.exitCode, 0) << Describe(refused, refusedRun);
  EXPECT_NE(refusedRun.output.find("550 No such user here"), std::string::npos)
      << refusedRun.output;
  EXPECT_TRUE(Logged("RCPT TO:<someone@else> has been rejected"));

  ASSERT_EQ(bannedRun.exitCode, 0) << Describe(banned, bannedRun);
  EXPECT_NE(
      bannedRun.output.find("250 message \"Trip.txt\" not sent because of bad word violation"),
      std::string::npos)
      << bannedRun.output;
  const std::string moved = ReadFile("data/badwords/Trip.txt");
  EXPECT_NE(moved.find("TO AMSTERDAM"), std::string::npos) << moved;
  EXPECT_NE(moved.find("ERROR - Message Contained bad word \"DAM\" in text"), std::string::npos)
      << moved;

  EXPECT_EQ(FilesIn("data/badwords"), std::set<std::string>{"Trip.txt"});
  EXPECT_EQ(FilesIn("data"), std::set<std::string>{});
  EXPECT_EQ(queue.Count(), 0);
}

// With the automatic line length, long lines are broken at their last
// blank that leaves a line the printer takes (or, with none, hard), and the
// message goes out.
TEST_F(RealClientsTest, SmtplibLongLinesAreWrappedAndQueued) {
  python_ = Tool("python3", "/usr/bin/python3", "python3");
  ASSERT_FALSE(python_.empty());
  settings.QERVAutoLine72 = 1;
  StartListener(2);
  const std::string prose =
      "THE WEEKLY BULLETIN GOES OUT ON EVERY FREQUENCY IN THE LIST AT SIX PM, "
      "FOLLOWED BY THE RADIOTELETYPEWRITER PRACTICE TEXT AND THE CODE PRACTICE "
      "SESSION FOR NEWCOMERS.";
  const ToolRun run = SendWithSmtplib(
      {Letter("Long lines", prose + "\nSHORT LINE\n" + std::string(100, '5'))}, "long.log");
  StopListener();
  ASSERT_EQ(run.exitCode, 0) << run.output;

  EXPECT_TRUE(Logged("250 message succesfully stored as \"Long_lines.txt\"")) << LogDump();
  ASSERT_EQ(queue.Count(), 1) << ReadFile("data/badwords/Long_lines.txt");
  EXPECT_EQ(
      ReadFile("data/Long_lines.txt"),
      StoredLetter("Long lines",
                   "THE WEEKLY BULLETIN GOES OUT ON EVERY FREQUENCY IN THE LIST AT SIX PM,\r\n"
                   "FOLLOWED BY THE RADIOTELETYPEWRITER PRACTICE TEXT AND THE CODE PRACTICE\r\n"
                   "SESSION FOR NEWCOMERS.\r\n"
                   "SHORT LINE\r\n" +
                       std::string(45, '5') + "\r\n" + std::string(55, '5')));
}

// smtplib doubles a leading dot; the station takes it back, and a line of
// only a dot inside the text does not end the message.
TEST_F(RealClientsTest, SmtplibLeadingDotsAreStoredSingle) {
  python_ = Tool("python3", "/usr/bin/python3", "python3");
  ASSERT_FALSE(python_.empty());
  StartListener(2);
  const ToolRun run =
      SendWithSmtplib({Letter("Dots", ".hidden line\n..two dots\n.\nlast line")}, "dots.log");
  StopListener();
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(ReadFile("data/Dots.txt"),
            StoredLetter("Dots", ".hidden line\r\n..two dots\r\n.\r\nlast line"));
  EXPECT_EQ(queue.Count(), 1);
}

TEST_F(RealClientsTest, SmtplibDuplicateSubjectIsRefusedAndTheFirstKept) {
  python_ = Tool("python3", "/usr/bin/python3", "python3");
  ASSERT_FALSE(python_.empty());
  StartListener(2);
  const ToolRun first = SendWithSmtplib({Letter("Net news", "CQ CQ DE STATION\n73")}, "first.log");
  ASSERT_EQ(first.exitCode, 0) << first.output;
  const std::string queued = ReadFile("data/Net_news.txt");
  EXPECT_EQ(queued, StoredLetter("Net news", "CQ CQ DE STATION\r\n73"));
  const ToolRun second = SendWithSmtplib({Letter("Net news", "OTHER TEXT")}, "second.log");
  StopListener();
  ASSERT_EQ(second.exitCode, 0) << second.output;

  EXPECT_TRUE(Logged("250 message \"Net_news.txt\" not sent because of bad word violation"));
  EXPECT_EQ(ReadFile("data/Net_news.txt"), queued);
  ASSERT_EQ(queue.Count(), 1);
  EXPECT_EQ(SplitQueueLine(queue.Text(0)).name, "Net_news.txt");
  const std::string refused = ReadFile("data/badwords/Net_news.txt");
  EXPECT_NE(refused.find("OTHER TEXT"), std::string::npos) << refused;
  EXPECT_NE(refused.find("ERROR - Duplicate Message \"Net_news.txt\" already in queue"),
            std::string::npos)
      << refused;
}

// smtp-source's own message (From, To, Date and Message-Id, four body lines
// of 17 characters) is sent as it is: its -l option would send lines of 78
// characters, which the station refuses.
TEST_F(RealClientsTest, SmtpSourceLoadStoresAndQueuesEveryMessageOnce) {
  const std::string source = Tool("smtp-source", "/usr/sbin/smtp-source", "postfix");
  ASSERT_FALSE(source.empty());
  settings.QERVUseSubjectFileName = 0;
  StartListener(1);
  const std::vector<std::string> argv = {source,
                                         "-s",
                                         "20",
                                         "-m",
                                         std::to_string(kLoadMessages),
                                         "-t",
                                         "qerv@station",
                                         "127.0.0.1:" + std::to_string(port)};
  const ToolRun run = RunClient(argv, "smtp-source.log");
  StopListener();
  ASSERT_EQ(run.exitCode, 0) << Describe(argv, run);

  EXPECT_EQ(FilesIn("data/badwords"), std::set<std::string>{});
  std::set<std::string> stored = FilesIn("data");
  stored.erase("schedule_temp.lst");
  EXPECT_EQ(stored.size(), static_cast<std::size_t>(kLoadMessages));
  ASSERT_EQ(queue.Count(), kLoadMessages);
  std::set<std::string> queued;
  for (int i = 0; i < queue.Count(); ++i) {
    const std::string name = SplitQueueLine(queue.Text(i)).name;
    EXPECT_TRUE(queued.insert(name).second) << "queued twice: " << name;
    EXPECT_TRUE(stored.count(name)) << "queued but not stored: " << name;
  }
  // Every file holds one whole message.
  const std::string body =
      "\r\n\r\r\nLa de da de da 1.\r\nLa de da de da 2.\r\nLa de da de da 3.\r\n"
      "La de da de da 4.\r\r\nNNNN\r\r\n";
  for (const std::string& name : stored) {
    const std::string text = ReadFile("data/" + name);
    ASSERT_EQ(text.rfind("From: <foo@", 0), 0u) << name << "\n" << text;
    ASSERT_NE(text.find("\r\nTo: General Delivery\r\nDate: "), std::string::npos) << name << "\n"
                                                                                  << text;
    const std::size_t headersEnd = text.find("\r\n\r\r\n");
    ASSERT_NE(headersEnd, std::string::npos) << name << "\n" << text;
    ASSERT_EQ(text.substr(headersEnd), body) << name << "\n" << text;
  }
}

}  // namespace
}  // namespace kestrix::testing
