#pragma once
// The station-wide "a transmission holds the output" flag. A file
// transmission on the window thread and chat lines on their own threads
// take it, so their characters never interleave and the encoder's state is
// used by one sender at a time. Taking it is one atomic step.

#include <atomic>

#include "common/event_condition.h"
#include "common/event_loop.h"

namespace kestrix {

class TransmitBusy {
 public:
  explicit TransmitBusy(EventLoop& loop) : released_(loop) {}

  // Takes the flag when it is free; never waits.
  bool TryTake() {
    bool expected = false;
    return busy_.compare_exchange_strong(expected, true);
  }
  // Waits until the flag is free, dispatching window events meanwhile on
  // the window thread and asleep on other threads, then takes it.
  void Take() {
    released_.WaitUntil([this] { return TryTake(); });
  }
  void Release() {
    busy_ = false;
    released_.Notify();
  }
  bool IsSet() const { return busy_; }

 private:
  EventCondition released_;
  std::atomic<bool> busy_{false};
};

}  // namespace kestrix
