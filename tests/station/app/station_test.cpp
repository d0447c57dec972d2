#include "station/app/station.h"

#include <gtest/gtest.h>

#include "tests/support/recording_controls.h"
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
  Station station(loop, window, [](int) { FAIL() << "no timer refused here"; });

  station.Start();
  EXPECT_TRUE(std::filesystem::is_directory("data"));
  EXPECT_TRUE(std::filesystem::is_directory("data/badwords"));
  EXPECT_EQ(window.eventList.lines,
            (std::vector<std::string>{"09:05:07 > ***** RTTY Application has been STARTED *****",
                                      "09:05:07 > Initialization"}));

  loop.RunFor(2s);
  EXPECT_EQ(window.clock.history,
            (std::vector<std::string>{"Sat Mar  7 09:05:08 2026", "Sat Mar  7 09:05:09 2026"}));

  station.Shutdown();
  loop.RunFor(5s);
  EXPECT_EQ(window.clock.history.size(), 2u);
  EXPECT_EQ(window.eventList.lines.back(),
            "09:05:09 > ***** RTTY Application has been TERMINATED *****");
  EXPECT_EQ(ReadFile("log/20260307.log"),
            "09:05:07 > ***** RTTY Application has been STARTED *****\n"
            "09:05:07 > Initialization\n"
            "09:05:09 > ***** RTTY Application has been TERMINATED *****\n");
}

}  // namespace
}  // namespace kestrix
