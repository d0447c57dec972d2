#include "station/net/echo_macro.h"

#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

#include "common/time_tag.h"

namespace kestrix {

namespace {

constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string HoursMinutes(const std::tm& time) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", time.tm_hour, time.tm_min);
  return text;
}

// A zone's short form: the initials of a name of three or more words, else
// the name as the system gives it ("CET", "UTC").
std::string ZoneShortForm(const std::tm& local) {
  if (local.tm_zone == nullptr || local.tm_zone[0] == '\0') {
    return {};
  }
  std::istringstream words(local.tm_zone);
  std::vector<std::string> list;
  for (std::string word; words >> word;) {
    list.push_back(word);
  }
  if (list.size() >= 3) {
    return std::string{list[0][0], list[1][0], list[2][0]};
  }
  return std::string(local.tm_zone).substr(0, 3);
}

}  // namespace

std::string EchoMacro::LongDate(WallClock::time_point when) {
  const std::tm local = LocalTime(when);
  return std::string(kWeekdays[local.tm_wday]) + ", " + kMonths[local.tm_mon] + " " +
         std::to_string(local.tm_mday) + ", " + std::to_string(local.tm_year + 1900);
}

std::string EchoMacro::ShortDate(WallClock::time_point when) {
  const std::tm local = LocalTime(when);
  char day[4];
  std::snprintf(day, sizeof day, "%02d", local.tm_mday);
  return std::string(kMonths[local.tm_mon]) + " " + day + ", " +
         std::to_string(local.tm_year + 1900);
}

std::string EchoMacro::LocalTimeWithZone(WallClock::time_point when) {
  const std::tm local = LocalTime(when);
  const std::string zone = ZoneShortForm(local);
  return HoursMinutes(local) + (zone.empty() ? "" : "(" + zone + ")");
}

std::string EchoMacro::UtcTime(WallClock::time_point when) {
  const std::time_t seconds = WallClock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return HoursMinutes(utc) + "(UTC)";
}

std::string EchoMacro::Weekday(WallClock::time_point when) {
  return kWeekdays[LocalTime(when).tm_wday];
}

int EchoMacro::Echo(int c, const std::function<void(std::string_view)>& send) {
  if (c == '^') {
    caretPending_ = true;
    return kNothingToEcho;
  }
  if (!caretPending_.exchange(false)) {
    return c;
  }
  const WallClock::time_point now = clock_.Now();
  std::string expansion;
  if (c >= '1' && c <= '9') {
    expansion.assign(static_cast<std::size_t>(c - '0'), '\a');
  } else {
    switch (c) {
      case 'D':
      case 'd':
        expansion = LongDate(now);
        break;
      case 'L':
      case 'l':
        expansion = ShortDate(now);
        break;
      case 'T':
      case 't':
        expansion = LocalTimeWithZone(now);
        break;
      case 'U':
      case 'u':
        expansion = UtcTime(now);
        break;
      case 'W':
      case 'w':
        expansion = Weekday(now);
        break;
      default:
        return c;
    }
  }
  for (const char byte : expansion) {
    send(std::string_view(&byte, 1));  // one byte per send, as typed
  }
  return kNothingToEcho;
}

}  // namespace kestrix
