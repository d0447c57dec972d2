// Any received line through the command recogniser: the code belongs to the
// table, the word and the argument come from the line itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "station/net/smtp_command.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using kestrix::fuzzing::Require;

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The line as it is compared: lower case, angle brackets blanked.
std::string Compared(std::string_view line) {
  std::string text(line);
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    } else if (c == '<' || c == '>') {
      c = ' ';
    }
  }
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

struct Known {
  int code;
  std::string_view word;
};
// The commands the session answers; each must be found under its own code.
constexpr std::array<Known, 7> kKnown = {{{kestrix::kSmtpHelo, "helo"},
                                          {kestrix::kSmtpEhlo, "ehlo"},
                                          {kestrix::kSmtpMailFrom, "mail from:"},
                                          {kestrix::kSmtpRcptTo, "rcpt to:"},
                                          {kestrix::kSmtpData, "data"},
                                          {kestrix::kSmtpRset, "rset"},
                                          {kestrix::kSmtpQuit, "quit"}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const kestrix::SmtpCommand command = kestrix::ParseSmtpCommand(line);
  const std::string text = Compared(line);

  Require(command.code >= 0 && command.code <= kestrix::kSmtpUnknown, "code outside 0..19");
  Require((command.code == kestrix::kSmtpUnknown) == command.command.empty(),
          "unknown code exactly when no command word");
  Require(command.argument.size() <= 511, "argument longer than 511");
  for (char c : command.argument) {
    Require(!IsWhiteSpace(c), "white space inside the argument");
  }
  Require(StartsWith(text, command.command), "command word not at the start of the line");

  for (const Known& known : kKnown) {
    if (command.code == known.code) {
      Require(command.command == known.word, "a known code with another word");
    }
    // No table word starts another, so a line that starts with a known word
    // is that command.
    if (StartsWith(text, known.word)) {
      Require(command.code == known.code, "a line starting with a known word under another code");
    }
  }

  if (command.code == kestrix::kSmtpUnknown) {
    Require(command.argument.empty(), "an argument without a command");
    return 0;
  }
  // The argument is the first word after the command word, cut at 511.
  std::string_view rest = std::string_view(text).substr(command.command.size());
  while (!rest.empty() && IsWhiteSpace(rest.front())) {
    rest.remove_prefix(1);
  }
  Require(StartsWith(rest, command.argument), "argument is not the first word after the command");
  const std::size_t after = command.argument.size();
  Require(after == rest.size() || after == 511 || IsWhiteSpace(rest[after]),
          "argument stops inside a word");
  return 0;
}
