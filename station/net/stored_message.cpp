#include "station/net/stored_message.h"

#include <algorithm>

namespace kestrix {

namespace {

constexpr std::size_t kMaxLineRead = 1023;
constexpr std::size_t kMaxSubjectLine = 70;
constexpr std::size_t kMaxSubjectText = 256;
constexpr std::size_t kMaxSubjectName = 58;
// Body lines longer than this, line feed included, are wrapped: at the last
// blank between these two positions, else after kHardBreak characters.
constexpr std::size_t kWrapLength = 75;
constexpr std::size_t kLastBlankSought = 46;
constexpr std::size_t kHardBreak = 45;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string ToLine(const std::string& line) {
  const std::size_t bang = line.find('!');
  const std::size_t at = line.find('@');
  if (bang == std::string::npos || at == std::string::npos || bang > at) {
    return "To: General Delivery\n";
  }
  std::string kept = line.substr(0, bang) + "\n";
  UnderscoresToBlanks(kept);
  return kept;
}

std::string SubjectLine(const std::string& line) {
  std::string copy = line;
  UnderscoresToBlanks(copy);
  const std::size_t end = copy.find('\n');
  const std::size_t length = end == std::string::npos ? copy.size() : end;
  if (length > kMaxSubjectLine) {
    copy = copy.substr(0, kMaxSubjectLine) + "\n";
  }
  return copy;
}

std::string SubjectName(const std::string& line) {
  const std::size_t colon = line.find(':');
  const std::size_t start = colon + 2;
  if (start >= line.size()) {
    std::string empty;
    SubjectToFileName(empty);
    return empty;
  }
  std::string text = line.substr(start);
  text = text.substr(0, std::min({text.find_first_of("\r\n"), kMaxSubjectText}));
  SubjectToFileName(text);
  return text;
}

// A header line whatever its length: read in pieces, the rest of a long
// line would be taken for a header of its own, a lone line feed for the
// end of the headers.
bool ReadHeaderLine(TextModeReader& raw, std::string& line) {
  if (!raw.ReadLine(line, kMaxLineRead)) {
    return false;
  }
  std::string piece;
  while (line.back() != '\n' && raw.ReadLine(piece, kMaxLineRead)) {
    line += piece;
  }
  return true;
}

void WriteBodyLine(std::string_view line, bool autoLineLength, TextModeWriter& stored) {
  if (autoLineLength && line.find("\r\r") == std::string_view::npos) {
    while (line.size() > kWrapLength) {
      std::size_t blank = kWrapLength;
      while (blank >= kLastBlankSought && line[blank] != ' ') {
        --blank;
      }
      if (blank >= kLastBlankSought) {
        stored.Write(line.substr(0, blank));
        line.remove_prefix(blank + 1);
      } else {
        stored.Write(line.substr(0, kHardBreak));
        line.remove_prefix(kHardBreak);
      }
      stored.Write("\n");
    }
  }
  stored.Write(line);
}

}  // namespace

void UnderscoresToBlanks(std::string& text) {
  std::replace(text.begin(), text.end(), '_', ' ');
}

void SubjectToFileName(std::string& text) {
  static constexpr std::string_view kUnsafe = "/\\:*?\"<>|[]=!%^&*()+=|}{;?/><`~";
  if (text.size() > kMaxSubjectName) {
    text.resize(kMaxSubjectName);
  }
  for (char& c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == ' ') {
      c = '_';
    } else if (code < 0x20 || code > 0x7E || kUnsafe.find(c) != std::string_view::npos) {
      c = '$';
    }
  }
  text += ".txt";
}

StoredMessageHeaders WriteStoredMessage(TextModeReader& raw, TextModeWriter& stored,
                                        const StoredMessageOptions& options) {
  StoredMessageHeaders headers;
  std::string line;
  bool inBody = false;
  while (!inBody && ReadHeaderLine(raw, line)) {
    if (StartsWith(line, "From:")) {
      UnderscoresToBlanks(line);
      stored.Write(line);
    } else if (StartsWith(line, "To:")) {
      stored.Write(ToLine(line));
    } else if (StartsWith(line, "Subject:")) {
      stored.Write(SubjectLine(line));
      if (options.useSubjectFileName) {
        headers.sawSubject = true;
        headers.subjectName = SubjectName(line);
      }
    } else if (StartsWith(line, "Date:")) {
      stored.Write(line);
    } else if (line == "\n") {
      stored.Write("\r\n");
      inBody = true;
    }
  }
  if (!inBody) {
    return headers;
  }
  while (raw.ReadLine(line, kMaxLineRead)) {
    WriteBodyLine(line, options.autoLineLength, stored);
  }
  stored.Write("\r\nNNNN\r\n");
  return headers;
}

}  // namespace kestrix
