#include "station/app/station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "station/config/menu_ids.h"
#include "station/encoding/character_encoder.h"
#include "station/queue/send_queue.h"
#include "tests/station/app/scheduled_files.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/recording_code_output.h"

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
      "09:05:07 > Invalid Comport \"NULL\" requested and is not available"};
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
  EXPECT_NE(std::find(about.begin(), about.end(), "$CWID     // de None None"), about.end());
  EXPECT_EQ(about.back(), "-------------------------------------------");
  EXPECT_EQ(station.QueuePart().Queue().Texts(),
            (std::vector<std::string>{"03/07/2026 09:05:17 news.txt"}));
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
  station.ConfigurationPart().Configuration().SaveConfiguration();
  testing::WriteFile("data/news.txt", "E");
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  station.Start();
  loop.RunFor(60s);
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
}

// A configuration saved with the transmitter on restores it on; the
// start-up's transmitter-off then waits on a clock that does not run yet.
TEST_F(StationStartTest, AConfigurationSavedWithTheTransmitterOnStillStartsTheStation) {
  station.TransmitPart().Transmit().CmTX();
  ASSERT_EQ(settings.transmitOn, 1);
  station.ConfigurationPart().Configuration().SaveConfiguration();
  settings.transmitOn = 0;

  station.Start();

  EXPECT_TRUE(Logged("CmRX : Transmitter OFF"));
  EXPECT_TRUE(Logged("Invalid Comport \"NULL\" requested and is not available"));
  EXPECT_EQ(settings.transmitOn, 0);
  loop.RunFor(3s);
  EXPECT_EQ(window.clock.history.size(), 3u);
}

// "Restore Configuration" while the station runs takes the settings, not
// the moment the file was saved in: a lock saved during a file would hold
// the queue for ever, a transmitter saved off would stay keyed.
TEST_F(StationStartTest, ARestoreWhileRunningKeepsWhatTheStationIsDoing) {
  testing::WriteFile("Kestrix.ini", "QERVCOMMPORT=\"COM1\"\nQERVRS232CONTROL=\"RTS\"\n");
  station.Start();
  settings.localLock = 1;
  settings.notSending = 0;
  settings.transferSend = 0;
  settings.transmitOn = 0;
  settings.headerEnable = 1;
  station.ConfigurationPart().Configuration().SaveConfiguration();
  settings.localLock = 0;
  settings.notSending = 1;
  settings.transferSend = 1;
  settings.headerEnable = 0;
  station.TransmitPart().Transmit().CmTX();
  ASSERT_EQ(line.EventsOf(testing::RecordingSerialLine::Kind::kDtr).back().value, 1);

  station.RestoreConfigurationWhileRunning();

  EXPECT_EQ(settings.headerEnable, 1);  // a setting: restored
  EXPECT_EQ(settings.localLock, 0);
  EXPECT_EQ(settings.transmitOn, 1);
  EXPECT_TRUE(
      Logged("RestoreConfiguration : the running station keeps its transmitter and "
             "transmit cycle as they are."));
  station.TransmitPart().Transmit().CmRX();
  EXPECT_EQ(line.EventsOf(testing::RecordingSerialLine::Kind::kDtr).back().value, 0);
  testing::WriteFile("data/news.txt", "E");
  station.QueuePart().Queue().Append(FormatQueueLine(ToTimeTag(loop.Now()), "news.txt"));
  station.QueuePart().Cycle().CmEnable();
  loop.RunFor(60s);
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
}

// A rate or mode chosen while the transmitter is on reopens the port, and
// an open drops RTS and DTR: the transmitter must stay keyed all the same.
TEST_F(StationStartTest, APortReopenedWhileTheTransmitterIsOnKeepsItKeyed) {
  using Kind = testing::RecordingSerialLine::Kind;
  testing::WriteFile("Kestrix.ini", "QERVCOMMPORT=\"COM1\"\nQERVRS232CONTROL=\"RTS\"\n");
  station.Start();
  station.TransmitPart().Transmit().CmTX();
  station.ConfigurationPart().Menus().OnCommand(menu::kRateFirst + 1);  // 50 baud
  EXPECT_EQ(line.settings.baud, 50);
  EXPECT_EQ(line.EventsOf(Kind::kDtr).back().value, 1);
  station.ConfigurationPart().Menus().OnCommand(menu::kModeTelex);
  EXPECT_EQ(line.EventsOf(Kind::kDtr).back().value, 1);

  station.TransmitPart().Transmit().CmRX();
  station.ConfigurationPart().Menus().OnCommand(menu::kRateFirst);
  EXPECT_EQ(line.EventsOf(Kind::kDtr).back().value, 0);
}

// A serial device that stops sending in the middle of a file: the file ends
// as a cancel ends it, the transmitter goes off, and the rest of the queue
// waits for the operator.
TEST_F(StationStartTest, AFileOnAPortThatStallsIsCutOffWithTheTransmitterOff) {
  StartWith("QERVCOMMPORT=\"COM1\"\nQERVRS232CONTROL=\"RTS\"\n");
  line.stallAfterBytes = 60;  // 46 before the file, then 14 of its 18
  testing::ScheduleFiles(station,
                         {{"a.txt", "RYRYRY DE N0CALL\r\n"}, {"b.txt", "SECOND BULLETIN\r\n"}});
  loop.RunFor(90s);

  const auto texts = LogTexts();
  const auto stall = std::find(texts.begin(), texts.end(),
                               "Comm Port \"COM1\" : no character left the port for 1167 ms; "
                               "transmitter switched off");
  ASSERT_NE(stall, texts.end());
  EXPECT_EQ(std::vector<std::string>(stall + 1, texts.end()),
            (std::vector<std::string>{
                "CmRX : Transmitter OFF",
                "TXFile : the comm port stalled; <a.txt> is cut off after 14 of 18 characters.",
                "CmDisable : Scheduler DISABLED", "ABORTED sending <a.txt>."}));
  EXPECT_FALSE(line.rts);
  EXPECT_EQ(settings.transmitOn, 0);
  ASSERT_EQ(station.QueuePart().Queue().Count(), 1);
  EXPECT_NE(station.QueuePart().Queue().Text(0).find("b.txt"), std::string::npos);
}

TEST_F(StationStartTest, NothingNewGoesOutWhileTheStationEnds) {
  testing::WriteFile("data/news.txt", "E");
  station.Start();
  settings.checkNoTimer = 0;
  station.QueuePart().Queue().Append(FormatQueueLine(ToTimeTag(loop.Now()) + 1, "news.txt"));
  station.TransmitPart().Transmit().CmTX();
  station.QueuePart().Cycle().CmEnable();
  station.Shutdown();  // its transmitter-off waits over the entry's time
  EXPECT_FALSE(Logged("File <news.txt> in TRANSMIT Queue."));
  EXPECT_EQ(window.eventList.lines.back().substr(11),
            "***** RTTY Application has been TERMINATED *****");
}

using Kind = testing::RecordingMessageBox::Kind;

// Errors carry a stop icon; the fatal port box alone waits for its OK.
TEST_F(StationStartTest, BoxesCarryTheIconOfTheirKind) {
  StartWith("");
  station.ConfigurationPart().Menus().OnCommand(menu::kModePsk31);  // no sound card
  settings.soundCardID = 0;
  modem.startResult = 21;
  station.ConfigurationPart().Menus().OnCommand(menu::kModePsk31);
  station.QueuePart().Identification().OnSendCwIdNow();  // the transmitter is off
  line.devices.erase("/dev/ttyS0");                      // COM1 went away after the probe
  station.ConfigurationPart().Menus().OnCommand(menu::kPortCom1);

  const auto& shown = window.messageBox.shown;
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].caption, "Kestrix");
  EXPECT_EQ(shown[0].icon, MessageBoxIcon::kNone);
  EXPECT_EQ(shown[1].caption, "FATAL - Sound Card");
  EXPECT_EQ(shown[1].icon, MessageBoxIcon::kStop);
  EXPECT_EQ(shown[1].kind, Kind::kNotice);
  EXPECT_EQ(shown[2].caption, "Cannot Do it");
  EXPECT_EQ(shown[2].icon, MessageBoxIcon::kNone);
  EXPECT_EQ(shown[3].caption, "Kestrix2010 Comm Port Critical Error");
  EXPECT_EQ(shown[3].icon, MessageBoxIcon::kStop);
  EXPECT_EQ(shown[3].kind, Kind::kFatal);
  EXPECT_EQ(exits, std::vector<int>{-1});
}

// The marks and fields an operator reads as the station's state, after the
// start-up's restore and after a restore from the menu.
TEST_F(StationStartTest, EveryMarkAndFieldFollowsTheRestoredSettings) {
  settings.checkNoTimer = 1;
  settings.diddleEnable = 1;
  settings.headerEnable = 1;
  settings.cwTimerCheck = 1;
  settings.MODE = kModeAscii;
  settings.DATABITS = 8;
  settings.BAUD = 50.0f;
  settings.TxLine = menu::kTxLineFirst + 1;
  station.ConfigurationPart().Configuration().SaveConfiguration();
  StartWith("");

  const auto& menus = window.menus;
  for (int id : {menu::kNoTimer, menu::kDiddle, menu::kHeader, menu::kAutoCwIdTimer,
                 menu::kModeAscii, menu::kRateFirst + 1, menu::kTxLineFirst + 1}) {
    EXPECT_TRUE(menus.IsItemChecked(id)) << id;
  }
  EXPECT_FALSE(menus.IsItemChecked(menu::kAutostart));
  EXPECT_EQ(window.transmitStatus.value, "  OFF  ");
  EXPECT_EQ(window.scheduleStatus.value, "DISABLED");

  for (int id :
       {menu::kNoTimer, menu::kDiddle, menu::kModeTelex, menu::kRateFirst, menu::kTxLineFirst}) {
    station.ConfigurationPart().Menus().OnCommand(id);
  }
  station.QueuePart().Identification().OnAutoCwIdTimer();
  EXPECT_FALSE(menus.IsItemChecked(menu::kNoTimer));
  station.ConfigurationPart().Configuration().RestoreConfiguration();
  for (int id : {menu::kNoTimer, menu::kDiddle, menu::kAutoCwIdTimer, menu::kModeAscii,
                 menu::kRateFirst + 1, menu::kTxLineFirst + 1}) {
    EXPECT_TRUE(menus.IsItemChecked(id)) << id;
  }
  for (int id : {menu::kModeTelex, menu::kRateFirst, menu::kTxLineFirst}) {
    EXPECT_FALSE(menus.IsItemChecked(id)) << id;
  }
}

// What ^D and ^L send, as the encoder sends them on the listing's own date.
std::string SentByMacro(char letter, WallClock::time_point when) {
  testing::SimulatedEventLoop clock{when};
  testing::RecordingCodeOutput output;
  CharacterEncoder encoder(output, clock);
  encoder.ExpandMacro('^', kModeAscii);
  encoder.ExpandMacro(letter, kModeAscii);
  std::string sent;
  for (int code : output.codes) {
    sent += static_cast<char>(std::toupper(code));
  }
  return sent;
}

TEST_F(StationStartTest, TheAboutListingDescribesThisProgramOnLinux) {
  StartWith("QERVSERIALDEVICE=\"COM2=/dev/ttyUSB0\"\n");
  const auto about = station.AboutLines();
  auto has = [&about](const std::string& line) {
    return std::find(about.begin(), about.end(), line) != about.end();
  };
  for (const std::string& line : about) {
    EXPECT_EQ(line.find("Windows"), std::string::npos) << line;
    EXPECT_EQ(line.find("Command Line Parameters"), std::string::npos) << line;
    EXPECT_EQ(line.find("COM0"), std::string::npos) << line;
  }
  EXPECT_TRUE(has("   COM1 = /dev/ttyS0"));
  EXPECT_TRUE(has("   COM2 = /dev/ttyUSB0"));
  EXPECT_TRUE(has("   COM8 = /dev/ttyS7"));
  for (const char* key : {"QERVSERIALDEVICE", "QERVSOUNDDEVICE", "QERVMORSETICKMS"}) {
    EXPECT_TRUE(std::any_of(about.begin(), about.end(), [key](const std::string& line) {
      return line.starts_with(std::string("   ") + key);
    })) << key;
  }

  const auto when = testing::LocalMoment(2001, 5, 15, 12, 35, 0);
  for (char letter : {'D', 'L'}) {
    const std::string prefix = std::string("^") + letter + "   // ";
    auto line = std::find_if(about.begin(), about.end(),
                             [&prefix](const std::string& l) { return l.starts_with(prefix); });
    ASSERT_NE(line, about.end()) << letter;
    const std::size_t open = line->find('\'');
    const std::size_t close = line->rfind('\'');
    ASSERT_LT(open, close) << *line;
    EXPECT_EQ(line->substr(open + 1, close - open - 1), SentByMacro(letter, when)) << *line;
  }
}

}  // namespace
}  // namespace kestrix
