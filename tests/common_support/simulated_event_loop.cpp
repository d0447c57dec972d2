#include "tests/common_support/simulated_event_loop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace kestrix::testing {
namespace {
// A real-time guard: a window thread that blocks this long for another
// thread has hit a deadlock in the code under test.
constexpr std::chrono::seconds kDeadlockGuard{30};
}  // namespace

SimulatedEventLoop::SimulatedEventLoop(WallClock::time_point start)
    : windowThread_(std::this_thread::get_id()), calls_([this] { NoteActivity(); }), now_(start) {}

SimulatedEventLoop::~SimulatedEventLoop() {
  calls_.Close();
}

void SimulatedEventLoop::SetTimerHandler(TimerHandler handler) {
  handler_ = std::move(handler);
}

bool SimulatedEventLoop::StartTimer(int id, std::chrono::milliseconds period) {
  if (refuseTimers_) {
    return false;
  }
  std::lock_guard lock(mutex_);
  Timer& timer = timers_[id];
  timer.period = std::max(period, std::chrono::milliseconds{1});
  timer.due = now_ + timer.period;
  timer.running = true;
  return true;
}

void SimulatedEventLoop::StopTimer(int id) {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(id);
  if (it != timers_.end()) {
    it->second.running = false;
  }
}

bool SimulatedEventLoop::IsTimerRunning(int id) const {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(id);
  return it != timers_.end() && it->second.running;
}

// Posted events first, then timers, as window timers are only generated
// when nothing else is waiting.
bool SimulatedEventLoop::DispatchOneDue() {
  if (calls_.RunPending() > 0) {
    return true;
  }
  Call call;
  int timerId = -1;
  {
    std::lock_guard lock(mutex_);
    auto first = std::min_element(posted_.begin(), posted_.end(), [](auto& a, auto& b) {
      return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
    });
    if (first != posted_.end() && first->due <= now_) {
      call = std::move(first->call);
      posted_.erase(first);
    } else {
      const Timer* earliest = nullptr;
      for (auto& [id, timer] : timers_) {
        if (timer.running && timer.due <= now_ && (!earliest || timer.due < earliest->due)) {
          earliest = &timer;
          timerId = id;
        }
      }
      if (earliest == nullptr) {
        return false;
      }
      // The next period is scheduled before the handler runs, so the timer
      // fires again inside a handler that waits.
      timers_[timerId].due += timers_[timerId].period;
    }
  }
  if (call) {
    call();
    return true;
  }
  ++nesting_;
  maxNesting_ = std::max(maxNesting_, nesting_);
  if (handler_) {
    handler_(timerId);
  }
  --nesting_;
  dispatched_.Notify();
  return true;
}

std::optional<WallClock::time_point> SimulatedEventLoop::NextDueLocked() const {
  std::optional<WallClock::time_point> next;
  for (const auto& posted : posted_) {
    if (!next || posted.due < *next) {
      next = posted.due;
    }
  }
  for (const auto& [id, timer] : timers_) {
    if (timer.running && (!next || timer.due < *next)) {
      next = timer.due;
    }
  }
  return next;
}

void SimulatedEventLoop::PumpMessages() {
  if (!IsWindowThread()) {
    return;
  }
  while (DispatchOneDue()) {
  }
}

void SimulatedEventLoop::WaitForNextEvent() {
  if (!IsWindowThread()) {
    dispatched_.WaitForNext(std::chrono::milliseconds{100});
    return;
  }
  std::uint64_t seen;
  {
    std::lock_guard lock(mutex_);
    seen = activityCount_;
  }
  if (DispatchOneDue()) {
    PumpMessages();
    return;
  }
  if (realPause_.count() > 0) {
    std::unique_lock lock(mutex_);
    if (activity_.wait_for(lock, realPause_, [&] { return activityCount_ != seen; })) {
      lock.unlock();
      PumpMessages();
      return;
    }
  }
  bool advanced = false;
  bool othersRun = false;
  {
    std::lock_guard lock(mutex_);
    othersRun = runningThreads_ > 0;
    if (othersRun) {
      // Time stands while a thread of the test still works.
    } else if (auto next = NextDueLocked()) {
      now_ = std::max(now_, *next);
      advanced = true;
    }
  }
  if (othersRun) {
    BlockForActivitySince(seen, "WaitForNextEvent while a started thread runs");
  } else if (!advanced) {
    // Nothing will ever fall due: only another thread can wake us.
    BlockForActivitySince(seen, "WaitForNextEvent with no timer and no event scheduled");
  }
  PumpMessages();
}

void SimulatedEventLoop::WaitForWake() {
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard lock(mutex_);
      seen = activityCount_;
    }
    // Noted before the pump: a call that arrives after it must still wake us.
    PumpMessages();
    {
      std::lock_guard lock(mutex_);
      if (woken_) {
        woken_ = false;
        return;
      }
    }
    BlockForActivitySince(seen, "WaitForWake without a Wake", true);
  }
}

void SimulatedEventLoop::BlockForActivitySince(std::uint64_t seen, const char* what,
                                               bool endOnWake) {
  std::unique_lock lock(mutex_);
  // A Wake() that no WaitForWake() took stays set: only such a wait ends on
  // it, or every other wait would return at once from then on.
  if (!activity_.wait_for(lock, kDeadlockGuard,
                          [&] { return activityCount_ != seen || (endOnWake && woken_); })) {
    std::fprintf(stderr, "SimulatedEventLoop: %s: nothing happened for %lld s, deadlock\n", what,
                 static_cast<long long>(kDeadlockGuard.count()));
    std::abort();
  }
}

void SimulatedEventLoop::NoteActivity() {
  {
    std::lock_guard lock(mutex_);
    ++activityCount_;
  }
  activity_.notify_all();
}

void SimulatedEventLoop::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
    ++activityCount_;
  }
  activity_.notify_all();
}

void SimulatedEventLoop::Post(Call call) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back({now_, nextSequence_++, std::move(call)});
    ++activityCount_;
  }
  activity_.notify_all();
}

bool SimulatedEventLoop::CallOnWindowThread(Call call) {
  if (IsWindowThread()) {
    call();
    return true;
  }
  return calls_.CallAndWait(std::move(call));
}

bool SimulatedEventLoop::IsWindowThread() const {
  return std::this_thread::get_id() == windowThread_;
}

WallClock::time_point SimulatedEventLoop::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void SimulatedEventLoop::PostAt(WallClock::time_point when, Call call) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back({when, nextSequence_++, std::move(call)});
    ++activityCount_;
  }
  activity_.notify_all();
}

namespace {
thread_local bool startedByLoop = false;
}  // namespace

std::thread SimulatedEventLoop::StartThread(std::function<void()> body) {
  {
    std::lock_guard lock(mutex_);
    ++runningThreads_;
  }
  return std::thread([this, body = std::move(body)] {
    startedByLoop = true;
    body();
    {
      std::lock_guard lock(mutex_);
      --runningThreads_;
      ++activityCount_;
    }
    activity_.notify_all();
  });
}

bool SimulatedEventLoop::OtherThreadBlocks() {
  if (!startedByLoop) {
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    --runningThreads_;
    ++activityCount_;
  }
  activity_.notify_all();
  return true;
}

void SimulatedEventLoop::OtherThreadResumes() {
  std::lock_guard lock(mutex_);
  ++runningThreads_;
}

void SimulatedEventLoop::PostAfter(std::chrono::milliseconds delay, Call call) {
  PostAt(Now() + delay, std::move(call));
}

void SimulatedEventLoop::RunFor(std::chrono::milliseconds duration) {
  RunUntil(Now() + duration);
}

void SimulatedEventLoop::RunUntil(WallClock::time_point when) {
  for (;;) {
    PumpMessages();
    std::lock_guard lock(mutex_);
    auto next = NextDueLocked();
    if (!next || *next > when) {
      now_ = std::max(now_, when);
      break;
    }
    now_ = std::max(now_, *next);
  }
  PumpMessages();
}

WallClock::time_point LocalMoment(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return WallClock::from_time_t(std::mktime(&tm));
}

}  // namespace kestrix::testing
