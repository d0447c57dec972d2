#pragma once
// Metered mail: once switched on, one file is mailed a second later and
// then one every so many seconds (at least 60) after the last session
// ended, cycling through the queue until it is switched off.

#include <chrono>
#include <functional>

#include "common/event_loop.h"
#include "common/text_field.h"

namespace kestrix {

class MeteredMail {
 public:
  static constexpr int kTimerId = 1;
  static constexpr int kMinimumSeconds = 60;

  // `startSession` starts a one-file session and runs its argument on the
  // window thread once it has ended; false when none could be started.
  using StartSession = std::function<bool(std::function<void()> ended)>;

  MeteredMail(EventLoop& loop, TextField& countDown, TextField& secondsBetween,
              StartSession startSession);

  void Switch(bool on);
  bool On() const { return on_; }
  // Timer kTimerId's tick.
  void Tick();
  int CountDown() const { return countDown_; }

 private:
  void SessionEnded();

  EventLoop& loop_;
  TextField& countDown_field_;
  TextField& secondsBetween_;
  StartSession startSession_;
  bool on_ = false;
  bool busy_ = false;
  int countDown_ = 0;
};

}  // namespace kestrix
