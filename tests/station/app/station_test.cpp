#include "station/app/station.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/recording_controls.h"
#include "tests/support/recording_serial_line.h"
#include "tests/support/simulated_event_loop.h"
#include "tests/support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::FakeStationWindow;
using testing::LocalMoment;
using testing::ReadFile;
using testing::SimulatedEventLoop;
using testing::TempWorkingDirectory;

TEST(Station, StartsLoggingAndTicksEverySecondUntilShutdown) {
  TempWorkingDirectory dir;
  SimulatedEventLoop loop{LocalMoment(2026, 3, 7, 9, 5, 7)};
  FakeStationWindow window;
  testing::RecordingSerialLine line(loop);
  NullPsk31Modem modem;
  NullSoundKeyerFactory soundKeyers;
  struct : Launcher {
    bool OpenInEditor(const std::string&) override { return false; }
  } launcher;
  Station station(loop, window, {line, modem, soundKeyers, launcher},
                  [](int) { FAIL() << "no timer refused here"; });

  std::filesystem::create_directory("data");
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  station.Start();
  EXPECT_TRUE(std::filesystem::is_directory("data/badwords"));
  const std::vector<std::string> startLines = {
      "09:05:07 > ***** RTTY Application has been STARTED *****", "09:05:07 > Initialization",
      "09:05:07 > CmDisable : Scheduler DISABLED", "09:05:07 > OnReload : Reloading Schedule List",
      "09:05:07 > GetSchedule : Cannot open data/schedule_temp.lst input file."};
  EXPECT_EQ(window.eventList.lines, startLines);
  EXPECT_EQ(station.Queue().Texts(), (std::vector<std::string>{"03/07/2026 09:05:17 news.txt"}));
  EXPECT_NE(std::find(window.chooser.items.begin(), window.chooser.items.end(), "schedule.lst"),
            window.chooser.items.end());

  loop.RunFor(2s);
  EXPECT_EQ(window.clock.history,
            (std::vector<std::string>{"Sat Mar  7 09:05:08 2026", "Sat Mar  7 09:05:09 2026"}));

  station.Shutdown();
  loop.RunFor(5s);
  EXPECT_EQ(window.clock.history.size(), 2u);
  EXPECT_EQ(window.eventList.lines.back(),
            "09:05:09 > ***** RTTY Application has been TERMINATED *****");
  std::string expectedFile;
  for (const auto& l : startLines) {
    expectedFile += l + "\n";
  }
  expectedFile += "09:05:09 > ***** RTTY Application has been TERMINATED *****\n";
  EXPECT_EQ(ReadFile("log/20260307.log"), expectedFile);
}

}  // namespace
}  // namespace kestrix
