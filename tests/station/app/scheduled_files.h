#pragma once
// Puts files on the air through the scheduler, as an operator does: each
// written into data/, listed in order as the schedule, the schedule
// reloaded and the scheduler enabled.

#include <string>
#include <utility>
#include <vector>

#include "station/app/station.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix::testing {

using NamedText = std::pair<std::string, std::string>;

inline void ScheduleFiles(Station& station, const std::vector<NamedText>& files) {
  std::string schedule;
  for (const auto& [name, text] : files) {
    WriteFile("data/" + name, text);
    schedule += name + "\n";
  }
  WriteFile("data/schedule.lst", schedule);
  station.QueuePart().Commands().OnReload();
  station.QueuePart().Cycle().CmEnable();
}

}  // namespace kestrix::testing
