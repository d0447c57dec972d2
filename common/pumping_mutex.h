#pragma once
// A lock that several threads take in turn, where a window-thread waiter
// keeps dispatching window events: the holder on another thread may need a
// synchronous call on the window thread before it can let go.

#include <mutex>

#include "common/event_loop.h"

namespace kestrix {

class PumpingMutex {
 public:
  explicit PumpingMutex(EventLoop& loop) : loop_(loop) {}

  void lock();
  bool try_lock() { return mutex_.try_lock(); }
  void unlock();

 private:
  EventLoop& loop_;
  std::mutex mutex_;
};

}  // namespace kestrix
