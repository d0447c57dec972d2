#include "station/queue/clock_tick.h"

#include <cstdio>

#include "common/time_tag.h"

namespace kestrix {

ClockTick::ClockTick(EventLoop& loop, TextField& clockField)
    : loop_(loop), clockField_(clockField) {}

void ClockTick::Run() {
  clockField_.SetText(ClockText(LocalTime(loop_.Now())));
}

std::string ClockTick::ClockText(const std::tm& local) {
  // Fixed English names: the text must not follow the desktop's locale.
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7],
                kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, local.tm_year + 1900);
  return text;
}

}  // namespace kestrix
