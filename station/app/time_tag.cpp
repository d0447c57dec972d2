#include "station/app/time_tag.h"

#include <cstdio>
#include <string>

namespace kestrix {

TimeTag ParseTimeTag(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  const std::string copy(text);
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(copy.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute,
                  &second) != 6) {
    return 0;
  }
  std::tm tm{};
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_year = year - 1900;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return static_cast<TimeTag>(std::mktime(&tm));
}

std::tm LocalTime(TimeTag seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::tm LocalTime(WallClock::time_point when) {
  return LocalTime(ToTimeTag(when));
}

TimeTag ToTimeTag(WallClock::time_point when) {
  return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

}  // namespace kestrix
