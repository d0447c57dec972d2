#include "station/net/text_mode_file.h"

namespace kestrix {

namespace {
constexpr std::size_t kWriteChunk = 16 * 1024;
}  // namespace

bool TextModeReader::ReadLine(std::string& line, std::size_t maxChars) {
  line.clear();
  while (line.size() < maxChars) {
    int c = getc_unlocked(file_);
    if (c == EOF) {
      break;
    }
    if (c == '\r') {
      const int next = getc_unlocked(file_);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        ungetc(next, file_);
      }
    }
    line += static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

void TextModeWriter::Write(std::string_view text) {
  for (char c : text) {
    if (c == '\n') {
      buffer_ += '\r';
    }
    buffer_ += c;
  }
  if (buffer_.size() >= kWriteChunk) {
    Flush();
  }
}

bool TextModeWriter::Flush() {
  if (!buffer_.empty()) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      failed_ = true;
    }
    buffer_.clear();
  }
  return !failed_;
}

}  // namespace kestrix
