#include "station/app/station.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "station/config/menu_ids.h"
#include "station/queue/send_queue.h"
#include "tests/station/app/station_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::ReadFile;

using StationStartTest = testing::StationTest;

TEST_F(StationStartTest, StartsLoggingAndTicksEverySecondUntilShutdown) {
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  station.Start();
  EXPECT_TRUE(std::filesystem::is_directory("data/badwords"));
  const std::vector<std::string> startLines = {
      "09:05:07 > Unable to open Input file Kestrix.ini",
      "09:05:07 > ***** RTTY Application has been STARTED *****",
      "09:05:07 > Initialization",
      "09:05:07 > CmDisable : Scheduler DISABLED",
      "09:05:07 > OnReload : Reloading Schedule List",
      "09:05:07 > GetSchedule : Cannot open data/schedule_temp.lst input file.",
      "09:05:07 > QERVEmailAddress overridden and changed to \"QERV\"",
      "09:05:07 > Invalid Comport \"NULL\" requested and is not available",
      "09:05:07 > SMTP server on port 25 is not available in this version.",
      "09:05:07 > SMTP server on port 593 is not available in this version.",
      "09:05:07 > Chat server on port 23 is not available in this version."};
  EXPECT_EQ(window.eventList.lines, startLines);
  EXPECT_TRUE(std::filesystem::is_directory("log"));
  EXPECT_TRUE(window.title.Text().ends_with("N o n e "));
  const auto about = station.AboutLines();
  ASSERT_GE(about.size(), 8u);
  EXPECT_EQ(about[1], "N o n e  RTTY broadcast transmitter.");
  EXPECT_EQ(about[3], "Comport is set to NULL");
  EXPECT_EQ(about[4], "Baud Rate is set to 45.450001.");
  EXPECT_EQ(about[6], "Mode is set to Military.");
  EXPECT_EQ(about[7], "RTS and DTR not being used for anything");
  EXPECT_EQ(about[30], "$CWID     // de None None");  // the help list begins at 18
  EXPECT_EQ(about.back(), "-------------------------------------------");
  EXPECT_EQ(about.size(), 18u + 36u + 12u);
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
  EXPECT_TRUE(exits.empty());
}

TEST_F(StationStartTest, StartsOnTheConfiguredDeviceWithTheMenusShowingTheSettingsInForce) {
  line.devices = {"/dev/ttyS0", "/dev/ttyUSB0"};

  testing::WriteFile("Kestrix.ini",
                     "QERVCOMMPORT=\"com3\"\nQERVSERIALDEVICE=\"COM3=/dev/ttyUSB0\"\n"
                     "QERVRS232CONTROL=\"RTS\"\nQERVSCHEDULERENABLE=1\nQERVMORSETICKMS=5\n");
  station.Settings().BAUD = 50.0f;
  station.Settings().MODE = kModeTelex;
  station.Start();

  EXPECT_EQ(line.opened, (std::vector<std::string>{"/dev/ttyUSB0"}));
  EXPECT_EQ(line.settings, (SerialLineSettings{50, 5, 0, 1}));
  const auto& menus = window.menus;
  EXPECT_TRUE(menus.IsItemChecked(menu::kPortCom1 + 2));
  EXPECT_TRUE(menus.IsItemEnabled(menu::kPortCom1));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kPortCom1 + 1));  // no /dev/ttyS1 here
  EXPECT_TRUE(menus.IsItemEnabled(menu::kRateFirst));      // enabled by the open port
  EXPECT_TRUE(menus.IsItemChecked(menu::kRateFirst + 1));  // 50 baud
  EXPECT_TRUE(menus.IsItemChecked(menu::kModeTelex));
  EXPECT_TRUE(menus.IsItemChecked(menu::kTxLineFirst + 2));  // "RTS" keys DTR
  EXPECT_TRUE(menus.IsItemChecked(menu::kSoundNone));
  EXPECT_TRUE(menus.IsItemChecked(menu::kRecipientQerv));
  EXPECT_EQ(station.Clock().MorseTickPeriod(), 5ms);
  EXPECT_EQ(station.Settings().scheduleEnable, 1);
  EXPECT_EQ(window.scheduleStatus.history.back(), "ENABLE");
}

TEST_F(StationStartTest, AConfiguredDeviceThatIsNotThereLeavesTheStationWithoutAPort) {
  testing::WriteFile("Kestrix.ini",
                     "QERVCOMMPORT=\"COM1\"\nQERVSERIALDEVICE=\"COM1=/dev/kestrix-none\"\n");
  station.Start();
  EXPECT_TRUE(line.opened.empty());
  EXPECT_TRUE(exits.empty());
  EXPECT_FALSE(window.menus.IsItemEnabled(menu::kPortCom1));
  EXPECT_FALSE(window.menus.IsItemEnabled(menu::kRateFirst));
  const auto& lines = window.eventList.lines;
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "09:05:07 > Invalid Comport \"COM1\" requested and is not available"),
            lines.end());
}

// Saved in the middle of a file, the flags say a transmission runs; the
// station must still send after a restart.
TEST_F(StationStartTest, AConfigurationSavedWhileSendingDoesNotHoldTheQueue) {
  settings.localLock = 1;
  settings.transferSend = 0;
  settings.notSending = 0;
  settings.scheduleEnable = 1;
  station.Configuration().SaveConfiguration();
  testing::WriteFile("data/news.txt", "E");
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  station.Start();
  loop.RunFor(60s);
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
}

// A configuration saved with the transmitter on restores it on; the
// start-up's transmitter-off then waits on a clock that does not run yet.
TEST_F(StationStartTest, AConfigurationSavedWithTheTransmitterOnStillStartsTheStation) {
  station.Transmit().CmTX();
  ASSERT_EQ(settings.transmitOn, 1);
  station.Configuration().SaveConfiguration();
  settings.transmitOn = 0;

  station.Start();

  EXPECT_TRUE(Logged("CmRX : Transmitter OFF"));
  EXPECT_TRUE(Logged("Invalid Comport \"NULL\" requested and is not available"));
  EXPECT_EQ(settings.transmitOn, 0);
  loop.RunFor(3s);
  EXPECT_EQ(window.clock.history.size(), 3u);
}

TEST_F(StationStartTest, NothingNewGoesOutWhileTheStationEnds) {
  testing::WriteFile("data/news.txt", "E");
  station.Start();
  settings.checkNoTimer = 0;
  station.Queue().Append(FormatQueueLine(ToTimeTag(loop.Now()) + 1, "news.txt"));
  station.Transmit().CmTX();
  station.Cycle().CmEnable();
  station.Shutdown();  // its transmitter-off waits over the entry's time
  EXPECT_FALSE(Logged("File <news.txt> in TRANSMIT Queue."));
  EXPECT_EQ(window.eventList.lines.back().substr(11),
            "***** RTTY Application has been TERMINATED *****");
}

}  // namespace
}  // namespace kestrix
