#pragma once
// Time tags of queue and schedule lines ("month/day/year h:m:s", local time,
// as seconds since the epoch) and the local calendar time of a moment.

#include <cstdint>
#include <ctime>
#include <string_view>

#include "common/event_loop.h"

namespace kestrix {

using TimeTag = std::int64_t;

// Reads "%d/%d/%d %d:%d:%d" (month, day, year, hour, minute, second) as local
// time, daylight saving decided by the zone; fields past their range roll
// over into the next. An empty text, one that does not hold all six numbers,
// a number outside the int range or a date outside the years 1 to 9999
// gives 0.
TimeTag ParseTimeTag(std::string_view text);

// The local calendar time (process time zone) of a moment.
std::tm LocalTime(WallClock::time_point when);
std::tm LocalTime(TimeTag seconds);

TimeTag ToTimeTag(WallClock::time_point when);

}  // namespace kestrix
