#pragma once
// The station-wide "a transmission holds the output" flag. A file
// transmission on the window thread and chat lines on their own threads
// take it, so their characters never interleave and the encoder's state is
// used by one sender at a time. Taking it is one atomic step.
//
// A mode, rate or port change holds it too (HoldForChange), so a line sent
// from another thread never sees the framing half changed or the port
// reopened under it.

#include <atomic>
#include <functional>
#include <thread>

#include "common/event_condition.h"
#include "common/event_loop.h"

namespace kestrix {

class TransmitBusy {
 public:
  explicit TransmitBusy(EventLoop& loop) : released_(loop) {}

  // Takes the flag when it is free; never waits.
  bool TryTake() {
    bool expected = false;
    if (!busy_.compare_exchange_strong(expected, true)) {
      return false;
    }
    holder_ = std::this_thread::get_id();
    return true;
  }
  // Waits until the flag is free, dispatching window events meanwhile on
  // the window thread and asleep on other threads, then takes it. The
  // thread that holds it takes it again at once: a change waiting lower on
  // the window thread's stack would otherwise wait for a file started by a
  // tick it pumps, for ever. Each Take is matched by one Release.
  void Take() {
    if (HeldByThisThread()) {
      ++nested_;
      return;
    }
    released_.WaitUntil([this] { return TryTake(); });
  }
  void Release() {
    if (HeldByThisThread() && nested_ > 0) {
      --nested_;
      return;
    }
    holder_ = std::thread::id{};
    busy_ = false;
    released_.Notify();
    if (releaseListener_) {
      releaseListener_();
    }
  }
  // Called after every release, on the releasing thread, for waiters that
  // sleep on something else as well. Set while no other thread uses the
  // flag (at start-up and shutdown).
  void SetReleaseListener(std::function<void()> listener) {
    releaseListener_ = std::move(listener);
  }
  bool IsSet() const { return busy_; }
  bool HeldByThisThread() const { return holder_.load() == std::this_thread::get_id(); }

  // Keeps the flag for a settings change until it goes out of scope.
  class ChangeHold {
   public:
    explicit ChangeHold(TransmitBusy* taken) : taken_(taken) {}
    ChangeHold(const ChangeHold&) = delete;
    ChangeHold& operator=(const ChangeHold&) = delete;
    ~ChangeHold() {
      if (taken_ != nullptr) {
        taken_->Release();
      }
    }

   private:
    TransmitBusy* taken_;  // null when the flag was held already
  };

  // For a change of the framing, the rate or the port. When this thread
  // holds the flag already (a file being sent pumps the window events that
  // bring the change) no other thread's line can be under way, and waiting
  // would never end: the change goes ahead. Otherwise it waits for the line
  // in progress and keeps the flag until the hold ends.
  [[nodiscard]] ChangeHold HoldForChange() {
    if (HeldByThisThread()) {
      return ChangeHold(nullptr);
    }
    Take();
    return ChangeHold(this);
  }

 private:
  EventCondition released_;
  std::atomic<bool> busy_{false};
  std::atomic<std::thread::id> holder_{};
  std::function<void()> releaseListener_;
  int nested_ = 0;  // the holder's own takes; only the holder touches it
};

}  // namespace kestrix
