#pragma once
// Lets a thread other than the window thread wait for the window thread's
// next timer event: a chat thread's wait in clock ticks polls a counter
// that only the window thread advances.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kestrix {

class DispatchSignal {
 public:
  // Window thread, after each timer event it dispatched.
  void Notify() {
    {
      std::lock_guard lock(mutex_);
      ++generation_;
    }
    changed_.notify_all();
  }

  // Blocks until the next Notify() or until `timeout` has passed.
  void WaitForNext(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const std::uint64_t seen = generation_;
    changed_.wait_for(lock, timeout, [&] { return generation_ != seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t generation_ = 0;
};

}  // namespace kestrix
