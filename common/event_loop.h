#pragma once
// The window thread's event loop as the station logic sees it: timers by id,
// the message pump, blocking waits, calls onto the window thread from other
// threads, and the one source of "now" for the whole program.

#include <chrono>
#include <functional>

namespace kestrix {

using WallClock = std::chrono::system_clock;

// Where "now" comes from: the event loop in the station, the system clock
// in the tools.
class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual WallClock::time_point Now() const = 0;
};

class SystemTimeSource final : public TimeSource {
 public:
  WallClock::time_point Now() const override { return WallClock::now(); }
};

class EventLoop : public TimeSource {
 public:
  using TimerHandler = std::function<void(int timerId)>;
  using Call = std::function<void()>;

  virtual ~EventLoop() = default;

  // Every timer event is handed to this handler on the window thread, with
  // the timer's id. A timer may fire again while its handler still runs
  // (a handler that waits pumps the loop), exactly like any other event.
  virtual void SetTimerHandler(TimerHandler handler) = 0;
  // Starts (or restarts) timer `id`. False when the platform refuses.
  virtual bool StartTimer(int id, std::chrono::milliseconds period) = 0;
  // Stops timer `id` at once: an event of it that is already due is dropped.
  virtual void StopTimer(int id) = 0;
  virtual bool IsTimerRunning(int id) const = 0;

  // Window thread: dispatches every pending event and returns when none is
  // left; never waits. Other threads have no window events: nothing happens.
  virtual void PumpMessages() = 0;
  // Window thread: blocks until at least one event is there, then dispatches
  // what is pending. Other threads wait on an EventCondition for what they
  // need; called there anyway, this blocks until the window thread has
  // dispatched its next timer event (or a short while has passed).
  virtual void WaitForNextEvent() = 0;
  // Window thread: blocks until Wake() is called, dispatching whatever
  // arrives meanwhile. Used by locks whose holder may need the window thread.
  virtual void WaitForWake() = 0;
  // Any thread: ends the current or the next WaitForWake().
  virtual void Wake() = 0;

  // Other threads, told by EventCondition: this thread goes to sleep until
  // a Notify(), and a Notify() woke it. A loop on a simulated clock holds
  // its clock while a thread it knows of still runs; the real one ignores
  // them.
  // True when the loop counts this thread, and wants the matching resume.
  virtual bool OtherThreadBlocks() { return false; }
  virtual void OtherThreadResumes() {}

  // Any thread: runs `call` on the window thread later, without waiting.
  virtual void Post(Call call) = 0;
  // Any thread: runs `call` on the window thread and returns once it has
  // run (at once, inline, on the window thread itself). False when the loop
  // has shut down and the call was not run.
  virtual bool CallOnWindowThread(Call call) = 0;
  virtual bool IsWindowThread() const = 0;

  // The current wall-clock time.
  WallClock::time_point Now() const override = 0;
};

}  // namespace kestrix
