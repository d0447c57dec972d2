#pragma once
// What a fuzz target needs around the code it runs: one working directory
// for the whole run, emptied before each input (a fresh one for every input
// costs more than most targets), a log whose file is thrown away, and the
// comma-decimal language for one thread without reloading it each time.

#include <locale.h>
#include <stdlib.h>
#include <time.h>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/time_tag.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fuzz_check.h"

namespace kestrix::fuzzing {

// Enters the run's working directory (under $TMPDIR, removed when the
// program ends) and removes whatever an earlier input left there, but the
// log folder, whose files of the days of `logMoments` go to /dev/null.
inline void FreshWorkingDirectory(std::initializer_list<WallClock::time_point> logMoments = {}) {
  static testing::TempWorkingDirectory directory;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    if (entry.path().filename() != "log") {
      std::filesystem::remove_all(entry.path(), error);
    }
  }
  std::filesystem::current_path(directory.Path());
  std::filesystem::create_directory("log", error);
  for (const WallClock::time_point moment : logMoments) {
    const std::filesystem::path file = EventLog::DailyFileName(LocalTime(moment));
    if (!std::filesystem::is_symlink(file, error)) {
      std::filesystem::create_symlink("/dev/null", file, error);
    }
  }
}

// Time zones written as POSIX rules, so no zone database is needed: no
// daylight saving, Europe's, North America's, and a half-hour shift south
// of the equator.
inline constexpr std::array<const char*, 4> kTimeZones = {
    "UTC0",
    "CET-1CEST,M3.5.0,M10.5.0/3",
    "EST5EDT,M3.2.0,M11.1.0",
    "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0",
};

// Puts the process in one of kTimeZones (by any number).
inline void UseTimeZone(unsigned choice) {
  static const char* current = nullptr;
  const char* zone = kTimeZones[choice % kTimeZones.size()];
  if (current != zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    current = zone;
  }
}

// This thread writes and reads numbers as a German user's settings make
// the C library do ("2125,5"), for as long as it lives.
class GermanNumbers {
 public:
  GermanNumbers() : previous_(::uselocale(German())) {}
  ~GermanNumbers() { ::uselocale(previous_); }
  GermanNumbers(const GermanNumbers&) = delete;
  GermanNumbers& operator=(const GermanNumbers&) = delete;

 private:
  static locale_t German() {
    static const locale_t german = ::newlocale(LC_ALL_MASK, "de_DE.UTF-8", locale_t{});
    Require(german != locale_t{}, "the de_DE.UTF-8 locale is not installed");
    return german;
  }
  locale_t previous_;
};

}  // namespace kestrix::fuzzing
