#pragma once
// The estimates the queue's loader and the schedule editor each keep: a
// baud command in a schedule sets the rate, and the mode and rate give the
// seconds one character takes on the air.

#include <optional>
#include <string>

namespace kestrix {

class ScheduleEstimate {
 public:
  // The rate a "$B…" script command sets, nothing for any other token.
  static std::optional<float> BaudOfCommand(const std::string& token);
  // Ten bits per character in ASCII, seven and a half in the five-bit
  // modes; PSK31 goes by its own rate whatever the baud.
  static float CharacterTime(int mode, float baud);
};

}  // namespace kestrix
