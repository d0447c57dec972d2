#pragma once
// The SMTP server's fixed command table and the recogniser that matches a
// received line against it.

#include <string>
#include <string_view>

namespace kestrix {

enum SmtpCommandCode : int {
  kSmtpHelo = 0,
  kSmtpEhlo = 1,
  kSmtpMailFrom = 5,
  kSmtpRcptTo = 6,
  kSmtpData = 7,
  kSmtpRset = 8,
  kSmtpQuit = 13,
  kSmtpUnknown = 19,
};

struct SmtpCommand {
  int code = kSmtpUnknown;
  std::string command;   // the table word; empty when unrecognised
  std::string argument;  // the first word after it, at most 511 characters
};

// Lower-cases the line and blanks out angle brackets, then compares its
// start with the table words in order over each word's full length (so
// "data" also matches "database"). The argument is the first white-space
// delimited word after the matched word.
SmtpCommand ParseSmtpCommand(std::string_view line);

}  // namespace kestrix
