// The mail loader's readings of what a server and the operator give it: a
// reply's code (and a port text, read the same way) is the decimal number
// it starts with, held to the int range; the host is the first word of its
// field; a file's subject is the start of its name; and dot-stuffing in
// chunks split anywhere gives what stuffing the whole text gives, with
// every line that starts with a dot starting with two.
//
// Input: byte 0 gives the chunk split points (each bit a point among the
// first eight eighths); the rest is the text.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mailer/smtp_client_session.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using kestrix::SmtpClientSession;
using kestrix::fuzzing::Require;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// White space, a sign, digits: that number, or the nearest int to it.
int ExpectedCode(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  long long magnitude = 0;
  bool digits = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    digits = true;
    magnitude = std::min(magnitude * 10 + (text[at] - '0'), 1LL << 40);
  }
  if (!digits) {
    return 0;
  }
  const long long value = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void CheckHostWord(const std::string& text) {
  const std::string word = SmtpClientSession::HostWord(text);
  const std::string_view field = std::string_view(text).substr(0, 513);
  const std::size_t begin = field.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) {
    Require(word.empty(), "a host word from a blank field");
    return;
  }
  Require(!word.empty() && field.substr(begin, word.size()) == word,
          "the host word is not where the field's first word starts");
  const std::size_t end = begin + word.size();
  Require(word.find_first_of(" \t\r\n") == std::string::npos &&
              (end == field.size() ||
               std::string_view(" \t\r\n").find(field[end]) != std::string_view::npos),
          "the host word is not the whole first word");
}

void CheckSubject(const std::string& path) {
  const std::string subject = SmtpClientSession::SubjectOfFile(path);
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  Require(name.starts_with(subject), "the subject is not the start of the file's name");
  Require(subject.find_first_of("./\\") == std::string::npos, "the subject holds a dot or a slash");
  Require(subject.size() == name.size() || name[subject.size()] == '.',
          "the subject does not end at the name's first dot");
}

void CheckDotStuffing(const std::string& text, std::uint8_t splits) {
  bool lineStart = true;
  const std::string whole = SmtpClientSession::DotStuffed(text, lineStart);
  const bool endedAtLineStart = lineStart;

  std::vector<std::size_t> points;
  for (int bit = 0; bit < 8; ++bit) {
    if ((splits >> bit & 1) != 0) {
      points.push_back(text.size() * static_cast<std::size_t>(bit) / 8);
    }
  }
  points.push_back(text.size());
  std::string chunked;
  lineStart = true;
  std::size_t from = 0;
  for (const std::size_t to : points) {
    chunked += SmtpClientSession::DotStuffed(text.substr(from, to - from), lineStart);
    from = to;
  }
  Require(chunked == whole, "stuffing in chunks differs from stuffing the whole");
  Require(lineStart == endedAtLineStart, "the line start is carried wrongly across chunks");

  // Undoing it: a dot at a line's start goes; every such line had two.
  std::string undone;
  bool atStart = true;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (atStart && whole[i] == '.') {
      Require(i + 1 < whole.size() && whole[i + 1] == '.', "a line starting with a lone dot");
      ++i;
    }
    undone += whole[i];
    atStart = whole[i] == '\n';
  }
  Require(undone == text, "stuffing changed more than the leading dots");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const int code = SmtpClientSession::ReplyCode(text);
  Require(code == ExpectedCode(text), "the reply code is not the number the reply starts with");
  Require(SmtpClientSession::PortOf(text) == static_cast<std::uint16_t>(code),
          "the port is not the number taken as 16 bits");
  CheckHostWord(text);
  CheckSubject(text);
  CheckDotStuffing(text, data[0]);
  return 0;
}
