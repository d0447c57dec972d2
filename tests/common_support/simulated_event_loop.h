#pragma once
// An event loop on a simulated clock. Time moves only when the window
// thread waits and nothing is due: it jumps to the next timer or posted
// event, so a wait of an hour costs no real time, and every event that
// falls due inside a wait is dispatched inside it, re-entrantly, as on the
// real loop. Cross-thread calls and Post() work from real threads.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/dispatch_signal.h"
#include "common/event_loop.h"
#include "common/window_call_queue.h"

namespace kestrix::testing {

class SimulatedEventLoop final : public EventLoop {
 public:
  // The creating thread is the window thread.
  explicit SimulatedEventLoop(WallClock::time_point start);
  ~SimulatedEventLoop() override;

  // --- EventLoop
  void SetTimerHandler(TimerHandler handler) override;
  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;
  bool IsTimerRunning(int id) const override;
  void PumpMessages() override;
  void WaitForNextEvent() override;
  void WaitForWake() override;
  void Wake() override;
  void Post(Call call) override;
  bool CallOnWindowThread(Call call) override;
  bool IsWindowThread() const override;
  WallClock::time_point Now() const override;
  bool OtherThreadBlocks() override;
  void OtherThreadResumes() override;

  // --- test controls, window thread
  // An event (a button press, a menu command) at a simulated moment.
  void PostAt(WallClock::time_point when, Call call);
  void PostAfter(std::chrono::milliseconds delay, Call call);
  // Dispatches everything due up to now + duration and leaves the clock
  // there (or later, when a handler waited past it).
  void RunFor(std::chrono::milliseconds duration);
  void RunUntil(WallClock::time_point when);
  // Makes StartTimer refuse, as a platform out of timers does.
  void RefuseTimers(bool refuse) { refuseTimers_ = refuse; }
  // For a test whose other threads run in real time (a paced sound card):
  // before simulated time jumps ahead, the window thread gives them up to
  // `pause` of real time to post. Zero (the default) never waits.
  void KeepPaceWithRealThreads(std::chrono::milliseconds pause) { realPause_ = pause; }
  // Starts `body` on a plain thread that the clock waits for: simulated time
  // does not move while it runs, only while it sleeps in an EventCondition
  // (or has ended). Join the thread returned.
  std::thread StartThread(std::function<void()> body);
  // Deepest nesting of timer handlers seen so far.
  int MaxTimerNesting() const { return maxNesting_; }

 private:
  struct Timer {
    std::chrono::milliseconds period{};
    WallClock::time_point due;
    bool running = false;
  };
  struct Posted {
    WallClock::time_point due;
    std::uint64_t sequence;
    Call call;
  };

  bool DispatchOneDue();
  std::optional<WallClock::time_point> NextDueLocked() const;
  void BlockForActivitySince(std::uint64_t seen, const char* what, bool endOnWake = false);
  void NoteActivity();

  const std::thread::id windowThread_;
  TimerHandler handler_;
  WindowCallQueue calls_;
  DispatchSignal dispatched_;

  mutable std::mutex mutex_;
  std::condition_variable activity_;
  std::uint64_t activityCount_ = 0;
  std::chrono::milliseconds realPause_{0};
  bool woken_ = false;
  int runningThreads_ = 0;  // started by StartThread, not asleep
  WallClock::time_point now_;
  std::map<int, Timer> timers_;
  std::vector<Posted> posted_;
  std::uint64_t nextSequence_ = 0;

  bool refuseTimers_ = false;
  int nesting_ = 0;
  int maxNesting_ = 0;
};

// A fixed local moment for tests: year, month 1..12, day, hour, minute, second.
WallClock::time_point LocalMoment(int year, int month, int day, int hour, int minute, int second);

}  // namespace kestrix::testing
