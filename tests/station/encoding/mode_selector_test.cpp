#include "station/encoding/mode_selector.h"

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

#include "station/config/menu_ids.h"
#include "tests/station/encoding/transmit_side_fixture.h"

namespace kestrix {
namespace {

class ModeSelectorTest : public testing::TransmitSideTest {};

TEST_F(ModeSelectorTest, EachFramedModeSetsItsFramingAndReopensAnOpenPort) {
  struct Row {
    int menuId, mode, dataBits, stopBits;
    const char* log;
  };
  const Row rows[] = {
      {menu::kModeAscii, kModeAscii, 8, 0, "Mode set to ASCII"},
      {menu::kModeIta2, kModeIta2, 5, 1, "Mode set to ITA2"},
      {menu::kModeTelex, kModeTelex, 5, 1, "Mode set to TELEX"},
      {menu::kModeMilitary, kModeMilitary, 5, 1, "Mode set to MILITARY"},
  };
  OpenCom1();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.log);
    window.eventList.lines.clear();
    modem.calls.clear();
    modes.SelectMode(row.menuId);
    EXPECT_EQ(settings.MODE, row.mode);
    EXPECT_EQ(settings.DATABITS, row.dataBits);
    EXPECT_EQ(settings.stopBitsCode, row.stopBits);
    EXPECT_TRUE(menus.IsItemChecked(row.menuId));
    EXPECT_EQ(line.settings, (SerialLineSettings{45, row.dataBits, 0, row.stopBits}));
    EXPECT_EQ(modem.calls, (std::vector<std::string>{"release"}));
    ASSERT_EQ(LogTexts().size(), 3u);
    EXPECT_EQ(LogTexts()[0], "Comm Port \"COM1\" closed");
    EXPECT_EQ(LogTexts()[2], row.log);
  }
}

TEST_F(ModeSelectorTest, WithThePortDisabledOnlyTheModeChanges) {
  settings.m_CommPort = "Disabled";
  modes.SelectMode(menu::kModeAscii);
  EXPECT_EQ(settings.MODE, kModeAscii);
  EXPECT_TRUE(line.opened.empty());
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"Mode set to ASCII"}));

  modes.SelectMode(menu::kModeCw);
  EXPECT_EQ(settings.MODE, kModeCw);
  EXPECT_EQ(settings.DATABITS, 8);  // unchanged
  EXPECT_EQ(LogTexts().back(), "Mode set to MORSE CODE");
}

TEST_F(ModeSelectorTest, Psk31NeedsACardAndFallsBackToMilitaryWhenTheModemFails) {
  modes.SelectMode(menu::kModePsk31);  // soundCardID 99
  ASSERT_EQ(window.messageBox.shown.size(), 1u);
  EXPECT_EQ(window.messageBox.shown[0].text, "Please Select a Sound Card");
  EXPECT_EQ(settings.MODE, kModeMilitary);
  EXPECT_FALSE(menus.IsItemChecked(menu::kModePsk31));
  EXPECT_TRUE(modem.calls.empty());

  settings.soundCardID = 0;
  modes.SelectMode(menu::kModePsk31);
  EXPECT_EQ(settings.MODE, kModePsk31);
  EXPECT_TRUE(menus.IsItemChecked(menu::kModePsk31));
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"release", "start 0", "freq 1500"}));
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"No error in starting sound card process",
                                                  "Mode set to PSK31"}));

  window.eventList.lines.clear();
  modem.calls.clear();
  modem.startResult = 21;
  modes.SelectMode(menu::kModePsk31);
  ASSERT_EQ(window.messageBox.shown.size(), 2u);
  EXPECT_EQ(window.messageBox.shown[1].text, "( 21) Bad Device ID, Soundcard Not Present");
  EXPECT_EQ(window.messageBox.shown[1].caption, "FATAL - Sound Card");
  EXPECT_EQ(settings.MODE, kModeMilitary);
  EXPECT_EQ(settings.DATABITS, 5);
  EXPECT_TRUE(menus.IsItemChecked(menu::kModeMilitary));
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"Mode set to MILITARY"}));
}

// A line sent from another thread holds the busy flag; a mode change from
// the menu meanwhile waits for the line to end instead of changing the
// framing and reopening the port under it.
TEST_F(ModeSelectorTest, AModeChangeWaitsForTheLineAnotherThreadIsSending) {
  OpenCom1();
  using Framing = std::tuple<int, int, int>;  // MODE, DATABITS, the line's data bits
  std::vector<Framing> seen;
  std::atomic<bool> done{false};
  WallClock::time_point released{};
  std::thread sender = loop.StartThread([&] {
    busy.Take();
    for (const char ch : std::string("RYRYRY")) {
      seen.emplace_back(settings.MODE, settings.DATABITS, line.settings.dataBits);
      encoder.EncodeCharacter(ch, settings.MODE);
      seen.emplace_back(settings.MODE, settings.DATABITS, line.settings.dataBits);
    }
    released = loop.Now();
    busy.Release();
    done = true;
  });
  WallClock::time_point changed{};
  loop.PostAfter(std::chrono::milliseconds{30}, [&] {
    modes.SelectMode(menu::kModeAscii);
    changed = loop.Now();
  });
  while (!done || changed == WallClock::time_point{}) {
    loop.WaitForNextEvent();
  }
  sender.join();

  EXPECT_EQ(seen, std::vector<Framing>(12, Framing{kModeMilitary, 5, 5}));
  EXPECT_GE(changed, released);
  EXPECT_GT(released - start, std::chrono::milliseconds{30});  // the change came mid-line
  EXPECT_EQ(settings.MODE, kModeAscii);
  EXPECT_EQ(line.settings.dataBits, 8);
  EXPECT_FALSE(busy.IsSet());
}

TEST_F(ModeSelectorTest, KeyingSourceSetsOrClearsDtr) {
  OpenCom1();
  window.eventList.lines.clear();
  modes.SelectKeyingSource(menu::kDovetronTeletype);
  EXPECT_TRUE(line.dtr);
  EXPECT_TRUE(menus.IsItemChecked(menu::kDovetronTeletype));
  modes.SelectKeyingSource(menu::kDovetronComputer);
  EXPECT_FALSE(line.dtr);
  EXPECT_FALSE(menus.IsItemChecked(menu::kDovetronTeletype));
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{
                "Keying Source sets DTR for teletype control for the Dovetron modem",
                "Keying Source clears DTR for Computer control for the Dovetron modem"}));
}

// A change holds the flag while it waits (the sound card changing hands
// pumps events); a file that a clock tick starts meanwhile on the same
// thread takes it again instead of waiting for itself for ever.
TEST_F(ModeSelectorTest, AFileStartedInsideAChangeOnTheSameThreadDoesNotWaitForItself) {
  {
    TransmitBusy::ChangeHold hold = busy.HoldForChange();
    ASSERT_TRUE(busy.IsSet());
    busy.Take();  // as TXFile does
    busy.Release();
    EXPECT_TRUE(busy.IsSet());  // still the change's
  }
  EXPECT_FALSE(busy.IsSet());
}

}  // namespace
}  // namespace kestrix
