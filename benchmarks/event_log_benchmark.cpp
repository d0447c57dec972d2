// Cost of one LogEvent line (file opened, appended and closed each time)
// and of the simulated loop's waits that the tests lean on.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "common/event_log.h"
#include "station/app/window_clock.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

void BM_LogEvent(benchmark::State& state) {
  testing::TempWorkingDirectory dir;
  std::filesystem::create_directory("log");
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  EventLog log(loop, window.eventList, window.messageBox);
  for (auto _ : state) {
    log.LogEvent("TXFile : Sending file <bulletin.txt>.");
  }
}
BENCHMARK(BM_LogEvent);

void BM_SimulatedHourOfClockTicks(benchmark::State& state) {
  testing::TempWorkingDirectory dir;
  std::filesystem::create_directory("log");
  for (auto _ : state) {
    testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
    testing::FakeStationWindow window;
    EventLog log(loop, window.eventList, window.messageBox);
    WindowClock clock(loop, log, [](int) {});
    clock.OnTimer(WindowClock::kStartClock);
    clock.WaitClockTicks(3600);
  }
}
BENCHMARK(BM_SimulatedHourOfClockTicks);

}  // namespace
}  // namespace kestrix
