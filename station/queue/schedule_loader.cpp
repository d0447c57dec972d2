#include "station/queue/schedule_loader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <system_error>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/config/serial_menus.h"
#include "station/config/station_mode.h"
#include "station/queue/transmit_files.h"

namespace kestrix {
namespace {

// Schedule lines are read in pieces of at most this many characters.
constexpr int kMaxLineLength = 254;

// One line with its line feed, or the rest of a line longer than the limit;
// false at the end of the file. Unlike fgets it keeps NUL characters.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = 0;
  while (line.size() < static_cast<std::size_t>(kMaxLineLength) && (c = std::fgetc(file)) != EOF) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

void CleanLine(std::string& line) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  std::replace(line.begin(), line.end(), '\t', ' ');
}

// The size of a file in the fixed data directory, if there is such a file.
bool DataFileSize(const std::string& name, std::int64_t& size) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(TransmitFilePath(name), error);
  if (error) {
    return false;
  }
  size = static_cast<std::int64_t>(bytes);
  return true;
}

}  // namespace

ScheduleLoader::ScheduleLoader(StationSettings& settings, EventLoop& loop, EventLog& log,
                               SendQueue& queue)
    : settings_(settings), loop_(loop), log_(log), queue_(queue) {
  UpdateCharacterTime();
}

void ScheduleLoader::TakeBaudCommand(const std::string& token) {
  const std::string upper = UpperCase(token);
  if (!upper.starts_with('$')) {
    return;
  }
  if (const int item = SerialMenus::RateItemOfCommand(std::string_view(upper).substr(1))) {
    baudEstimate_ = SerialMenus::RateOf(item);
  }
}

void ScheduleLoader::UpdateCharacterTime() {
  // Start, stop and data bits per character: ten in ASCII, seven and a half
  // in the five-bit modes; PSK31 goes by its own rate whatever the baud.
  switch (settings_.MODE.load()) {
    case kModeAscii:
      characterTime_ = 10.0f / baudEstimate_;
      break;
    case kModePsk31:
      characterTime_ = 0.25f;
      break;
    default:
      characterTime_ = 7.5f / baudEstimate_;
      break;
  }
}

void ScheduleLoader::GetSchedule(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    log_.LogEvent("GetSchedule : Cannot open " + path + " input file.");
    return;
  }
  nextStart_ = ToTimeTag(loop_.Now()) + 10;
  previousSize_ = 1;

  std::string line;
  while (ReadLine(file, line)) {
    const QueueLineTokens tokens = SplitQueueLine(line);
    CleanLine(line);
    if (tokens.count == 1 || tokens.count == 3) {
      TakeBaudCommand(tokens.name);
    }
    UpdateCharacterTime();

    const TimeTag now = ToTimeTag(loop_.Now());
    if (tokens.count == 1) {
      if (nextStart_ > now) {
        // The file before decides when this one starts; worked in float and
        // cut, so 1,000 bytes at 45.45 baud count 165 s.
        nextStart_ += static_cast<std::int64_t>(static_cast<float>(previousSize_) * characterTime_);
        if (!DataFileSize(tokens.name, previousSize_)) {
          previousSize_ = 1;
        }
        queue_.Append(FormatQueueLine(nextStart_, tokens.name));
      } else {
        log_.LogEvent("GetSchedule : Expired time tag " + line);
      }
    } else if (tokens.count == 3) {
      // A past tag still moves the chain, so the bare names after it expire
      // with it; an unreadable one leaves the chain where it was.
      const TimeTag tag = ParseTimeTag(line);
      if (tag > 0) {
        nextStart_ = tag;
      }
      if (tag > now) {
        queue_.Append(line);
        DataFileSize(tokens.name, previousSize_);
      } else {
        log_.LogEvent("GetSchedule : Expired time tag " + line);
      }
    }
  }
  std::fclose(file);
}

void ScheduleLoader::AppendToTempSchedule(const std::string& name) {
  const std::string path = settings_.QERVDataPath + "schedule_temp.lst";
  bool written = false;
  {
    const std::lock_guard<std::mutex> lock(tempScheduleMutex_);
    if (std::FILE* file = std::fopen(path.c_str(), "a")) {
      const std::string line = name + "\n";
      std::fwrite(line.data(), 1, line.size(), file);
      std::fclose(file);
      written = true;
    }
  }
  if (!written) {
    log_.LogEvent("Unable to open schedule_temp.lst file for " + name);
  }
}

}  // namespace kestrix
