#include "common/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

namespace kestrix {
namespace {
// How long another thread's wait for a timer event blocks before it looks
// at its counter again (covers a stopped timer).
constexpr std::chrono::milliseconds kForeignWaitSlice{250};
}  // namespace

QtEventLoop::QtEventLoop()
    : calls_([this] {
        QMetaObject::invokeMethod(
            this, [this] { RunWindowCalls(); }, Qt::QueuedConnection);
      }),
      windowThread_(std::this_thread::get_id()) {}

QtEventLoop::~QtEventLoop() {
  Shutdown();
}

void QtEventLoop::Shutdown() {
  calls_.Close();
}

void QtEventLoop::SetTimerHandler(TimerHandler handler) {
  handler_ = std::move(handler);
}

bool QtEventLoop::StartTimer(int id, std::chrono::milliseconds period) {
  TimerSlot& slot = timers_[id];
  if (!slot.timer) {
    slot.timer = std::make_unique<QTimer>();
    slot.timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(slot.timer.get(), &QTimer::timeout, this, [this, id] { OnQtTimeout(id); });
  }
  ++slot.generation;
  slot.deliveryPending = false;
  slot.timer->start(period);
  return slot.timer->isActive();
}

void QtEventLoop::StopTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    return;
  }
  it->second.timer->stop();
  ++it->second.generation;  // drops a delivery that is already posted
  it->second.deliveryPending = false;
}

bool QtEventLoop::IsTimerRunning(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second.timer->isActive();
}

// Qt never re-enters a timer whose timeout is still being handled, but the
// station's handlers wait inside their own timer event. So the timeout only
// posts the delivery and returns; at most one delivery per timer is pending,
// as with window timers, which coalesce.
void QtEventLoop::OnQtTimeout(int id) {
  TimerSlot& slot = timers_[id];
  if (slot.deliveryPending) {
    return;
  }
  slot.deliveryPending = true;
  const unsigned generation = slot.generation;
  QMetaObject::invokeMethod(
      this, [this, id, generation] { DeliverTimer(id, generation); }, Qt::QueuedConnection);
}

void QtEventLoop::DeliverTimer(int id, unsigned generation) {
  auto it = timers_.find(id);
  if (it == timers_.end() || it->second.generation != generation) {
    return;
  }
  it->second.deliveryPending = false;
  if (handler_) {
    handler_(id);
  }
  dispatched_.Notify();
}

void QtEventLoop::RunWindowCalls() {
  calls_.RunPending();
}

void QtEventLoop::PumpMessages() {
  if (!IsWindowThread()) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  calls_.RunPending();
}

void QtEventLoop::WaitForNextEvent() {
  if (!IsWindowThread()) {
    dispatched_.WaitForNext(kForeignWaitSlice);
    return;
  }
  calls_.RunPending();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  calls_.RunPending();
}

void QtEventLoop::WaitForWake() {
  while (!woken_.exchange(false)) {
    calls_.RunPending();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  calls_.RunPending();
}

void QtEventLoop::Wake() {
  woken_ = true;
  // An empty queued call is enough to end processEvents' wait.
  QMetaObject::invokeMethod(
      this, [] {}, Qt::QueuedConnection);
}

void QtEventLoop::Post(Call call) {
  calls_.Post(std::move(call));
}

bool QtEventLoop::CallOnWindowThread(Call call) {
  if (IsWindowThread()) {
    call();
    return true;
  }
  return calls_.CallAndWait(std::move(call));
}

bool QtEventLoop::IsWindowThread() const {
  return std::this_thread::get_id() == windowThread_;
}

WallClock::time_point QtEventLoop::Now() const {
  return WallClock::now();
}

}  // namespace kestrix
