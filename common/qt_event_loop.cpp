#include "common/qt_event_loop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>

#if defined(__SANITIZE_THREAD__)
#define KESTRIX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRIX_THREAD_SANITIZER 1
#endif
#endif
#if defined(KESTRIX_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
#endif

namespace kestrix {
namespace {
// How long another thread's wait for a timer event blocks before it looks
// at its counter again (covers a stopped timer).
constexpr std::chrono::milliseconds kForeignWaitSlice{250};

// Qt's event queue hands a posted event to the window thread under its own
// lock, which ThreadSanitizer cannot see (Qt is not built with it); these
// mark the hand-over so that the event's allocation on the posting thread
// is not taken for a race with its reading on the window thread.
void MarkHandedOver([[maybe_unused]] const void* handOver) {
#if defined(KESTRIX_THREAD_SANITIZER)
  __tsan_release(const_cast<void*>(handOver));
#endif
}

void MarkTakenOver([[maybe_unused]] const void* handOver) {
#if defined(KESTRIX_THREAD_SANITIZER)
  __tsan_acquire(const_cast<void*>(handOver));
#endif
}

// One type for every loop: Qt has a limited number of them to give out.
QEvent::Type WakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}
}  // namespace

QtEventLoop::QtEventLoop()
    : calls_([this] { PostWakeEvent(); }),
      wakeEventType_(WakeEventType()),
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

// Any thread. A plain event, made here and read only by event(): a queued
// functor would be built on this thread and read inside Qt's own code.
void QtEventLoop::PostWakeEvent() {
  QEvent* const wake = new QEvent(wakeEventType_);
  MarkHandedOver(&wakeEventType_);
  QCoreApplication::postEvent(this, wake);
}

bool QtEventLoop::event(QEvent* event) {
  MarkTakenOver(&wakeEventType_);
  if (event->type() == wakeEventType_) {
    calls_.RunPending();
    return true;
  }
  return QObject::event(event);
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
  PostWakeEvent();
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
