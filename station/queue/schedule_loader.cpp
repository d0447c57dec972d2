#include "station/queue/schedule_loader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/queue/schedule_estimate.h"
#include "station/queue/schedule_file.h"
#include "station/queue/transmit_files.h"

namespace kestrix {
namespace {

// Schedule lines are read in pieces of at most this many characters.
constexpr std::size_t kMaxLineLength = 254;

}  // namespace

ScheduleLoader::ScheduleLoader(StationSettings& settings, EventLoop& loop, EventLog& log,
                               SendQueue& queue)
    : settings_(settings), loop_(loop), log_(log), queue_(queue) {
  UpdateCharacterTime();
}

void ScheduleLoader::TakeBaudCommand(const std::string& token) {
  if (const std::optional<float> baud = ScheduleEstimate::BaudOfCommand(token)) {
    baudEstimate_ = *baud;
  }
}

void ScheduleLoader::UpdateCharacterTime() {
  characterTime_ = ScheduleEstimate::CharacterTime(settings_.MODE.load(), baudEstimate_);
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
  while (ScheduleFile::ReadLine(file, line, kMaxLineLength)) {
    const QueueLineTokens tokens = SplitQueueLine(line);
    ScheduleFile::CleanLine(line);
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
        if (!ScheduleFile::DataFileSize(tokens.name, previousSize_)) {
          previousSize_ = 1;
        }
        // Chained past the calendar's last year, the start is no time a
        // queue line can hold (it would read as due at once): dropped like
        // a tag past the calendar.
        std::string entry = FormatQueueLine(nextStart_, tokens.name);
        if (ParseTimeTag(entry) > 0) {
          queue_.Append(std::move(entry));
        } else {
          log_.LogEvent("GetSchedule : Expired time tag " + line);
        }
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
        ScheduleFile::DataFileSize(tokens.name, previousSize_);
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
