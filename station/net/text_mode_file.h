#pragma once
// Text files as the stored bulletins are kept: lines end in CR LF on disk
// and in a bare line feed in memory. The reader turns CR LF into a line feed
// (any other CR stays) and the writer turns every line feed into CR LF.

#include <cstdio>
#include <string>
#include <string_view>

namespace kestrix {

class TextModeReader {
 public:
  explicit TextModeReader(std::FILE* file) : file_(file) {}

  // Reads up to and including the next line feed, or `maxChars` characters,
  // or to the end of the file. False when nothing was left.
  bool ReadLine(std::string& line, std::size_t maxChars);

 private:
  std::FILE* file_;
};

class TextModeWriter {
 public:
  explicit TextModeWriter(std::FILE* file) : file_(file) {}
  ~TextModeWriter() { Flush(); }
  TextModeWriter(const TextModeWriter&) = delete;
  TextModeWriter& operator=(const TextModeWriter&) = delete;

  void Write(std::string_view text);
  // False when a write failed since the writer was made.
  bool Flush();

 private:
  std::FILE* file_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace kestrix
