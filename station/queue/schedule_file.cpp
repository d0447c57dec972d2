#include "station/queue/schedule_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "station/queue/transmit_files.h"

namespace kestrix {

bool ScheduleFile::ReadLine(std::FILE* file, std::string& line, std::size_t limit) {
  line.clear();
  int c = 0;
  while (line.size() < limit && (c = std::fgetc(file)) != EOF) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

void ScheduleFile::CleanLine(std::string& line) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  std::replace(line.begin(), line.end(), '\t', ' ');
}

bool ScheduleFile::DataFileSize(const std::string& name, std::int64_t& size) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(TransmitFilePath(name), error);
  if (error) {
    return false;
  }
  size = static_cast<std::int64_t>(bytes);
  return true;
}

}  // namespace kestrix
