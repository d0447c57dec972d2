#pragma once
// The station put together without any window code: it owns the settings,
// the event log, the window clock and the tick work, and runs start-up and
// shutdown. The main window owns one Station and lends it its controls.

#include "station/app/event_log.h"
#include "station/app/event_loop.h"
#include "station/app/station_window.h"
#include "station/app/window_clock.h"
#include "station/config/station_settings.h"
#include "station/queue/clock_tick.h"

namespace kestrix {

class Station {
 public:
  Station(EventLoop& loop, StationWindow& window, WindowClock::EndProcess endProcess);

  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Start-up: the working directories, the start lines of the log, the clock.
  void Start();
  // Shutdown: the clock stopped and the last log line. Nothing is saved.
  void Shutdown();

  StationSettings& Settings() { return settings_; }
  EventLog& Log() { return log_; }
  WindowClock& Clock() { return clock_; }

 private:
  void CreateWorkingDirectories();

  EventLoop& loop_;
  StationWindow& window_;
  StationSettings settings_;
  EventLog log_;
  WindowClock clock_;
  ClockTick clockTick_;
};

}  // namespace kestrix
