#include "common/event_condition.h"

namespace kestrix {

void EventCondition::WaitUntil(const std::function<bool()>& done) {
  if (loop_.IsWindowThread()) {
    while (!done()) {
      loop_.WaitForNextEvent();
    }
    return;
  }
  std::unique_lock lock(mutex_);
  while (!done()) {
    const std::uint64_t seen = generation_;
    if (loop_.OtherThreadBlocks()) {
      ++blocked_;
    }
    changed_.wait(lock, [&] { return generation_ != seen; });
  }
}

void EventCondition::Notify() {
  int woken = 0;
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    woken = std::exchange(blocked_, 0);
  }
  for (int i = 0; i < woken; ++i) {
    loop_.OtherThreadResumes();
  }
  changed_.notify_all();
  // A window-thread waiter higher up the stack checks again once the
  // current event returns; one that waits for events needs one.
  if (!loop_.IsWindowThread()) {
    loop_.Post([] {});
  }
}

}  // namespace kestrix
