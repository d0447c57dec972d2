#pragma once
// The event loop of the running program, on top of Qt's: timers by id as
// QTimers whose events are re-posted so that a timer may fire again while
// its handler is still waiting, and waits that block in processEvents.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "common/dispatch_signal.h"
#include "common/event_loop.h"
#include "common/window_call_queue.h"

namespace kestrix {

class QtEventLoop final : public QObject, public EventLoop {
 public:
  // Must be created on the window thread, after the QApplication.
  QtEventLoop();
  ~QtEventLoop() override;

  // Refuses further window calls and releases callers that wait for one;
  // used when the window thread stops serving them at shutdown.
  void Shutdown();

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

 private:
  struct TimerSlot {
    std::unique_ptr<QTimer> timer;
    bool deliveryPending = false;
    unsigned generation = 0;
  };

  bool event(QEvent* event) override;

  // Ends the window thread's wait in processEvents and runs the queued
  // window calls there.
  void PostWakeEvent();
  void OnQtTimeout(int id);
  void DeliverTimer(int id, unsigned generation);

  TimerHandler handler_;
  std::map<int, TimerSlot> timers_;
  WindowCallQueue calls_;
  const QEvent::Type wakeEventType_;
  DispatchSignal dispatched_;
  std::thread::id windowThread_;
  std::atomic<bool> woken_{false};
};

}  // namespace kestrix
