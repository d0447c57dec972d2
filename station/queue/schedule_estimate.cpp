#include "station/queue/schedule_estimate.h"

#include <string_view>

#include "common/text_case.h"
#include "station/config/serial_menus.h"
#include "station/config/station_mode.h"

namespace kestrix {

std::optional<float> ScheduleEstimate::BaudOfCommand(const std::string& token) {
  const std::string upper = UpperCase(token);
  if (!upper.starts_with('$')) {
    return std::nullopt;
  }
  if (const int item = SerialMenus::RateItemOfCommand(std::string_view(upper).substr(1))) {
    return SerialMenus::RateOf(item);
  }
  return std::nullopt;
}

float ScheduleEstimate::CharacterTime(int mode, float baud) {
  switch (mode) {
    case kModeAscii:
      return 10.0f / baud;
    case kModePsk31:
      return 0.25f;
    default:
      return 7.5f / baud;
  }
}

}  // namespace kestrix
