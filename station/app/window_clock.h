#pragma once
// The main window's two timers and the waits built on them: the one-second
// clock (timer 5) and the Morse tick (timer 6), OnTimer as both the timer
// handler and a command entry, and the waits in clock and Morse ticks,
// which keep dispatching window events (re-entrantly) while they wait.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "common/event_condition.h"
#include "common/event_loop.h"
#include "station/app/clock_ticks.h"

namespace kestrix {

class EventLog;

class WindowClock {
 public:
  // Command and timer codes of OnTimer.
  static constexpr int kStartClock = 0;
  static constexpr int kStopClock = 3;
  static constexpr int kClockTimer = 5;
  static constexpr int kMorseTimer = 6;
  static constexpr int kStartMorse = 7;
  static constexpr int kStopMorse = 8;
  // Our own timer for the idle fill of the five-bit modes (letters shift
  // while the transmitter is on and nothing is being sent).
  static constexpr int kIdleFillTimer = 20;
  static constexpr std::chrono::milliseconds kIdleFillPeriod{20};

  static constexpr std::chrono::milliseconds kClockPeriod{1000};
  // A dot is 10 ticks: 6 ms keys the identification at 20 WPM.
  static constexpr std::chrono::milliseconds kDefaultMorseTickPeriod{6};

  using EndProcess = std::function<void(int status)>;

  // Installs itself as the loop's timer handler. `endProcess` ends the
  // program when no timer can be had.
  WindowClock(EventLoop& loop, EventLog& log, EndProcess endProcess);

  // The work of each clock tick, run after the tick has been counted.
  void SetClockTickWork(std::function<void()> work) { clockTickWork_ = std::move(work); }
  void SetIdleFillWork(std::function<void()> work) { idleFillWork_ = std::move(work); }
  void SetMorseTickPeriod(std::chrono::milliseconds period);
  std::chrono::milliseconds MorseTickPeriod() const { return morseTickPeriod_; }

  void OnTimer(int code);

  // Dispatches every pending window event; never waits. Returns 0.
  int PumpMessages();
  // Sets timerTick to 0 and waits until it reaches n; nothing for n <= 0.
  // Returns at once while the clock is not running.
  void WaitClockTicks(int n);
  // Waits until the next timer event has been handled, on any thread.
  // Returns at once while the clock is not running.
  void WaitForTimerEvent();
  // Sets morseTick to 0 and waits until it reaches n; nothing for n <= 0.
  // Returns at once while the Morse tick is not running.
  void WaitMorseTicks(int n);
  bool MorseTickRunning() const { return loop_.IsTimerRunning(kMorseTimer); }

  EventLoop& Loop() { return loop_; }
  ClockTicks& Ticks() { return ticks_; }

 private:
  void StartTimerOrDie(int id, std::chrono::milliseconds period);
  void WaitTicks(std::atomic<int>& counter, int timerId, int n);

  EventLoop& loop_;
  EventCondition ticked_{loop_};  // every timer event handled
  std::atomic<std::uint64_t> timerEvents_{0};
  ClockTicks ticks_;
  EventLog& log_;
  EndProcess endProcess_;
  std::function<void()> clockTickWork_;
  std::function<void()> idleFillWork_;
  std::chrono::milliseconds morseTickPeriod_ = kDefaultMorseTickPeriod;
};

}  // namespace kestrix
