#include "station/net/smtp_command.h"

#include <array>

#include "common/text_case.h"

namespace kestrix {

namespace {

// Code = position. "x-auto-rcpt:" is not scanned: it is answered as unknown.
constexpr std::array<std::string_view, 19> kCommandWords = {
    "helo", "ehlo", "verb", "onex", "mult", "mail from:", "rcpt to:", "data", "rset", "vrfy",
    "expn", "help", "noop", "quit", "tick", "turn",       "send",     "saml", "soml"};

constexpr std::size_t kMaxArgument = 511;

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Normalised(std::string_view line) {
  std::string text = LowerCase(std::string(line));
  for (char& c : text) {
    if (c == '<' || c == '>') {
      c = ' ';
    }
  }
  return text;
}

std::string FirstWord(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsWhiteSpace(text[start])) {
    ++start;
  }
  std::size_t end = start;
  while (end < text.size() && !IsWhiteSpace(text[end]) && end - start < kMaxArgument) {
    ++end;
  }
  return std::string(text.substr(start, end - start));
}

}  // namespace

SmtpCommand ParseSmtpCommand(std::string_view line) {
  const std::string text = Normalised(line);
  for (std::size_t code = 0; code < kCommandWords.size(); ++code) {
    const std::string_view word = kCommandWords[code];
    if (std::string_view(text).substr(0, word.size()) == word) {
      return SmtpCommand{static_cast<int>(code), std::string(word),
                         FirstWord(std::string_view(text).substr(word.size()))};
    }
  }
  return SmtpCommand{};
}

}  // namespace kestrix
