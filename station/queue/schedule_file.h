#pragma once
// Reading schedule files the way both the queue's loader and the schedule
// editor do: in pieces of a fixed number of characters, NUL characters
// kept, line end removed and tabs turned into blanks.

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrix {

class ScheduleFile {
 public:
  // One line with its line feed, or the next `limit` characters of a longer
  // one; false at the end of the file.
  static bool ReadLine(std::FILE* file, std::string& line, std::size_t limit);
  // Without its LF (and CR), tabs as blanks.
  static void CleanLine(std::string& line);
  // The size of data/`name`, if there is such a file.
  static bool DataFileSize(const std::string& name, std::int64_t& size);
};

}  // namespace kestrix
