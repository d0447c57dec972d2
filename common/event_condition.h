#pragma once
// A wait for something that window events or other threads change. On the
// window thread the wait dispatches events until the condition holds (a
// handler further down may be what makes it true); on any other thread it
// blocks until Notify() and checks again. Whoever changes what a waiter
// checks calls Notify() afterwards.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>

#include "common/event_loop.h"

namespace kestrix {

class EventCondition {
 public:
  explicit EventCondition(EventLoop& loop) : loop_(loop) {}

  // Returns once `done` is true. Off the window thread `done` is called
  // with this condition's lock held.
  void WaitUntil(const std::function<bool()>& done);
  // Any thread: wakes every waiter to check again.
  void Notify();

 private:
  EventLoop& loop_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t generation_ = 0;  // counts Notify() calls
  int blocked_ = 0;               // waiters asleep since the last Notify() that the loop counts
};

}  // namespace kestrix
