#include "station/app/window_clock.h"

#include "common/event_log.h"

namespace kestrix {

WindowClock::WindowClock(EventLoop& loop, EventLog& log, EndProcess endProcess)
    : loop_(loop), log_(log), endProcess_(std::move(endProcess)) {
  loop_.SetTimerHandler([this](int id) { OnTimer(id); });
}

void WindowClock::SetMorseTickPeriod(std::chrono::milliseconds period) {
  morseTickPeriod_ = period < std::chrono::milliseconds{1} ? std::chrono::milliseconds{1} : period;
}

void WindowClock::OnTimer(int code) {
  switch (code) {
    case kStartClock:
      StartTimerOrDie(kClockTimer, kClockPeriod);
      break;
    case kStopClock:
      loop_.StopTimer(kClockTimer);
      break;
    case kClockTimer:
      ++ticks_.timerTick;
      if (clockTickWork_) {
        clockTickWork_();
      }
      break;
    case kMorseTimer:
      ++ticks_.morseTick;
      break;
    case kStartMorse:
      StartTimerOrDie(kMorseTimer, morseTickPeriod_);
      break;
    case kStopMorse:
      loop_.StopTimer(kMorseTimer);
      break;
    case kIdleFillTimer:
      if (idleFillWork_ && loop_.IsTimerRunning(kIdleFillTimer)) {
        idleFillWork_();
      }
      break;
    default:
      break;
  }
  ++timerEvents_;
  ticked_.Notify();
}

void WindowClock::StartTimerOrDie(int id, std::chrono::milliseconds period) {
  if (loop_.StartTimer(id, period)) {
    return;
  }
  log_.LogEvent("OnTimer : Out of Timers - Fatal Abort - Exiting");
  endProcess_(0);
}

int WindowClock::PumpMessages() {
  loop_.PumpMessages();
  return 0;
}

void WindowClock::WaitClockTicks(int n) {
  WaitTicks(ticks_.timerTick, kClockTimer, n);
}

void WindowClock::WaitForTimerEvent() {
  const std::uint64_t seen = timerEvents_;
  ticked_.WaitUntil([&] { return timerEvents_ != seen || !loop_.IsTimerRunning(kClockTimer); });
}

void WindowClock::WaitMorseTicks(int n) {
  WaitTicks(ticks_.morseTick, kMorseTimer, n);
}

// Blocks on the loop instead of polling: on the window thread every event
// that arrives is dispatched inside the wait, the tick that advances the
// counter among them; another thread sleeps until a timer event is handled.
// A timer that is not running (before start-up has started the clock, after
// shutdown has stopped it) would never end the wait: it ends at once.
void WindowClock::WaitTicks(std::atomic<int>& counter, int timerId, int n) {
  if (n <= 0) {
    return;
  }
  counter = 0;
  loop_.PumpMessages();
  ticked_.WaitUntil([&] { return counter >= n || !loop_.IsTimerRunning(timerId); });
}

}  // namespace kestrix
