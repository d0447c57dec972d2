#include "station/app/station.h"

#include <filesystem>
#include <system_error>

namespace kestrix {

Station::Station(EventLoop& loop, StationWindow& window, WindowClock::EndProcess endProcess)
    : loop_(loop),
      window_(window),
      log_(loop, window.EventList(), window.MessageBoxes()),
      clock_(loop, settings_, log_, std::move(endProcess)),
      clockTick_(loop, window.ClockField()) {
  clock_.SetClockTickWork([this] { clockTick_.Run(); });
}

void Station::Start() {
  CreateWorkingDirectories();
  log_.LogEvent("***** RTTY Application has been STARTED *****");
  log_.LogEvent("Initialization");
  clock_.OnTimer(WindowClock::kStartClock);
}

void Station::Shutdown() {
  clock_.OnTimer(WindowClock::kStopClock);
  log_.LogEvent("***** RTTY Application has been TERMINATED *****");
}

// Directories that exist are left as they are; one that cannot be made
// shows up as the log's own error box on the first line.
void Station::CreateWorkingDirectories() {
  std::error_code ignored;
  std::filesystem::create_directory("data", ignored);
  std::filesystem::create_directory("log", ignored);
  std::filesystem::create_directory("data/badwords", ignored);
}

}  // namespace kestrix
