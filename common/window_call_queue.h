#pragma once
// Calls from other threads onto the window thread. A caller queues its call
// and waits until the window thread has run it; every pump of the window
// thread runs what is queued. Shared by the real and the simulated loop.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace kestrix {

class WindowCallQueue {
 public:
  using Call = std::function<void()>;

  // `wakeWindowThread` is called (from the caller's thread) after a call has
  // been queued, so that a window thread blocked in its loop wakes up.
  explicit WindowCallQueue(std::function<void()> wakeWindowThread);
  ~WindowCallQueue();

  WindowCallQueue(const WindowCallQueue&) = delete;
  WindowCallQueue& operator=(const WindowCallQueue&) = delete;

  // Queues `call` and blocks until the window thread has run it. False when
  // the queue is closed, before or while waiting; the call then never runs.
  bool CallAndWait(Call call);
  // Queues `call` without waiting. False when the queue is closed.
  bool Post(Call call);

  // Window thread: runs every call queued so far; returns how many ran.
  int RunPending();
  bool HasPending() const;

  // Refuses further calls and releases every waiting caller with false.
  void Close();

 private:
  struct Entry {
    Call call;
    std::shared_ptr<bool> done;  // null for a posted call
  };

  std::function<void()> wake_;
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Entry> pending_;
  bool closed_ = false;
};

}  // namespace kestrix
