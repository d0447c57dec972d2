#include "common/window_call_queue.h"

#include <utility>

namespace kestrix {

WindowCallQueue::WindowCallQueue(std::function<void()> wakeWindowThread)
    : wake_(std::move(wakeWindowThread)) {}

WindowCallQueue::~WindowCallQueue() {
  Close();
}

bool WindowCallQueue::CallAndWait(Call call) {
  auto done = std::make_shared<bool>(false);
  {
    std::lock_guard lock(mutex_);
    if (closed_) {
      return false;
    }
    pending_.push_back({std::move(call), done});
  }
  if (wake_) {
    wake_();
  }
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return *done || closed_; });
  return *done;
}

bool WindowCallQueue::Post(Call call) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) {
      return false;
    }
    pending_.push_back({std::move(call), nullptr});
  }
  if (wake_) {
    wake_();
  }
  return true;
}

int WindowCallQueue::RunPending() {
  int ran = 0;
  for (;;) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) {
        return ran;
      }
      entry = std::move(pending_.front());
      pending_.pop_front();
    }
    // The call runs without the lock: it may itself pump and run calls.
    entry.call();
    ++ran;
    if (entry.done) {
      std::lock_guard lock(mutex_);
      *entry.done = true;
      finished_.notify_all();
    }
  }
}

bool WindowCallQueue::HasPending() const {
  std::lock_guard lock(mutex_);
  return !pending_.empty();
}

void WindowCallQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  pending_.clear();
  finished_.notify_all();
}

}  // namespace kestrix
