#pragma once
// SIGTERM and SIGINT as window events: a service manager stops an
// unattended station with them, and the station should end as it does at
// its close box, minus the question. The handler only writes a byte to a
// pipe; the window thread reads it.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace kestrix {

class TerminationSignals final : public QObject {
 public:
  // `onSignal` runs on the window thread, once per signal received.
  explicit TerminationSignals(std::function<void()> onSignal);
  ~TerminationSignals() override;

 private:
  std::function<void()> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kestrix
