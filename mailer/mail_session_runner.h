#pragma once
// Runs mail sessions one at a time on their own thread, so the window stays
// alive during the waits of a session; a request while one runs is
// refused, never queued.

#include <functional>
#include <mutex>
#include <thread>

#include "common/event_condition.h"
#include "common/event_loop.h"

namespace kestrix {

class MailSessionRunner {
 public:
  using Session = std::function<void(bool singleFile)>;

  MailSessionRunner(EventLoop& loop, Session session, std::function<void()> abort);
  // Aborts a running session and waits for it.
  ~MailSessionRunner();
  MailSessionRunner(const MailSessionRunner&) = delete;
  MailSessionRunner& operator=(const MailSessionRunner&) = delete;

  // Window thread. False when a session runs already. `ended` runs on the
  // window thread once the session has ended.
  bool Start(bool singleFile, std::function<void()> ended = {});
  bool Running() const;
  // Window thread: waits, dispatching events, until no session runs.
  void WaitUntilIdle();
  // Ends a running session's waits at once and waits for it to end.
  void AbortAndWait();

 private:
  EventLoop& loop_;
  Session session_;
  std::function<void()> abort_;
  EventCondition ended_{loop_};
  mutable std::mutex mutex_;
  bool running_ = false;
  std::thread thread_;
};

}  // namespace kestrix
