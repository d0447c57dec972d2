#pragma once
// What a chat user sees of a character being sent: a caret followed by a
// macro letter shows the macro's expansion (the date, the time, bells)
// instead of the two characters. The caret is remembered across sessions,
// as the encoder on the air remembers it. Names of days and months are in
// English whatever the language settings are.

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "common/event_loop.h"

namespace kestrix {

class EchoMacro {
 public:
  static constexpr int kNothingToEcho = 127;

  explicit EchoMacro(const TimeSource& clock) : clock_(clock) {}

  // Returns the character to echo, or kNothingToEcho after a caret or an
  // expansion, which goes to `send`.
  int Echo(int c, const std::function<void(std::string_view)>& send);

  // The texts of the macros, at a given moment.
  static std::string LongDate(WallClock::time_point when);           // "Tuesday, December 8, 2026"
  static std::string ShortDate(WallClock::time_point when);          // "December 08, 2026"
  static std::string LocalTimeWithZone(WallClock::time_point when);  // "18:05(CET)"
  static std::string UtcTime(WallClock::time_point when);            // "17:05(UTC)"
  static std::string Weekday(WallClock::time_point when);            // "Tuesday"

 private:
  const TimeSource& clock_;
  std::atomic<bool> caretPending_{false};
};

}  // namespace kestrix
