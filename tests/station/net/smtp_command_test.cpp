#include "station/net/smtp_command.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(ParseSmtpCommand, MatchesTheTableWordsWithoutRegardToCase) {
  const SmtpCommand rcpt = ParseSmtpCommand("RCPT TO: <QERV@Station.org>\r\n");
  EXPECT_EQ(rcpt.code, kSmtpRcptTo);
  EXPECT_EQ(rcpt.command, "rcpt to:");
  EXPECT_EQ(rcpt.argument, "qerv@station.org");
  const SmtpCommand same = ParseSmtpCommand("rcpt to:<qerv@station.org>\r\n");
  EXPECT_EQ(same.argument, rcpt.argument);

  EXPECT_EQ(ParseSmtpCommand("HeLo there\r\n").code, kSmtpHelo);
  EXPECT_EQ(ParseSmtpCommand("HeLo there\r\n").argument, "there");
  EXPECT_EQ(ParseSmtpCommand("EHLO\r\n").code, kSmtpEhlo);
  EXPECT_EQ(ParseSmtpCommand("EHLO\r\n").argument, "");
  EXPECT_EQ(ParseSmtpCommand("quit\r\n").code, kSmtpQuit);
  EXPECT_EQ(ParseSmtpCommand("NOOP\r\n").code, 12);
  EXPECT_EQ(ParseSmtpCommand("NOOP\r\n").command, "noop");
  EXPECT_EQ(ParseSmtpCommand("soml\r\n").code, 18);
}

// The words are compared over their own length only: prefixes match, and
// "mail from:" needs its one blank.
TEST(ParseSmtpCommand, ComparesOnlyTheWordsLength) {
  const SmtpCommand database = ParseSmtpCommand("database\r\n");
  EXPECT_EQ(database.code, kSmtpData);
  EXPECT_EQ(database.argument, "base");
  EXPECT_EQ(ParseSmtpCommand("DATA someone@x\r\n").code, kSmtpData);
  EXPECT_EQ(ParseSmtpCommand("mail  from:<a@b>\r\n").code, kSmtpUnknown);
  EXPECT_EQ(ParseSmtpCommand("MAIL FROM:<a@b>\r\n").argument, "a@b");
  EXPECT_EQ(ParseSmtpCommand("RC").code, kSmtpUnknown);
}

TEST(ParseSmtpCommand, LeavesUnknownLinesEmpty) {
  for (const char* line : {"", "\r\n", "hello\r\n", "x-auto-rcpt: <a@b>\r\n", "  helo\r\n"}) {
    const SmtpCommand command = ParseSmtpCommand(line);
    EXPECT_EQ(command.code, kSmtpUnknown) << line;
    EXPECT_EQ(command.command, "") << line;
    EXPECT_EQ(command.argument, "") << line;
  }
}

TEST(ParseSmtpCommand, CutsTheArgumentToOneReceive) {
  const std::string line = "rcpt to:" + std::string(600, 'q') + "\r\n";
  EXPECT_EQ(ParseSmtpCommand(line).argument.size(), 511u);
}

}  // namespace
}  // namespace kestrix
