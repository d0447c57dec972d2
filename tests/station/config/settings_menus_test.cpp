#include "station/config/settings_menus.h"

#include "station/config/menu_ids.h"
#include "tests/common_support/comma_decimal_locale.h"
#include "tests/station/config/settings_fixture.h"

namespace kestrix {
namespace {

class SettingsMenusTest : public testing::SettingsTest {};

TEST_F(SettingsMenusTest, TogglesFlipBetweenOneAndZeroAndMoveOnlyTheirOwnMark) {
  settings.QERVAutoStart = 2;  // as a saved file may hold it
  settingsMenus.OnCommand(menu::kAutostart);
  EXPECT_EQ(settings.QERVAutoStart, 1);
  EXPECT_TRUE(menus.IsItemChecked(menu::kAutostart));
  settingsMenus.OnCommand(menu::kAutostart);
  EXPECT_EQ(settings.QERVAutoStart, 0);
  EXPECT_FALSE(menus.IsItemChecked(menu::kAutostart));

  settingsMenus.OnCommand(menu::kNoTimer);  // starts at 1
  EXPECT_EQ(settings.checkNoTimer, 0);
  settingsMenus.OnCommand(menu::kInternetLink);
  EXPECT_TRUE(settingsMenus.InternetLink());
  EXPECT_TRUE(menus.IsItemChecked(menu::kInternetLink));
  EXPECT_EQ(menus.checked.size(), 3u);
  EXPECT_TRUE(LogTexts().empty());
  EXPECT_FALSE(settingsMenus.OnCommand(menu::kAddFile));
}

TEST_F(SettingsMenusTest, RecipientItemsSetTheAddressAndAnOtherAddressRenamesItsItem) {
  settingsMenus.OnCommand(menu::kRecipientAutostart);
  EXPECT_EQ(settings.QERVEmailAddress, "AUTOSTART@");
  EXPECT_TRUE(menus.IsItemChecked(menu::kRecipientAutostart));

  recipients.ApplyAddress("BULLETINS@EXAMPLE.ORG");
  EXPECT_EQ(settings.QERVEmailAddress, "BULLETINS@EXAMPLE.ORG");
  EXPECT_EQ(menus.ItemText(menu::kRecipientOther), "BULLETINS@EXAMPLE.ORG");
  EXPECT_TRUE(menus.IsItemChecked(menu::kRecipientOther));
  EXPECT_FALSE(menus.IsItemChecked(menu::kRecipientAutostart));

  recipients.ApplyAddress("QERV@HOST");
  EXPECT_EQ(settings.QERVEmailAddress, "QERV@");
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{
                            "QERVEmailAddress overridden and changed to \"AUTOSTART\"",
                            "QERVEmailAddress overridden and changed to \"BULLETINS@EXAMPLE.ORG\"",
                            "QERVEmailAddress overridden and changed to \"QERV\""}));
}

TEST_F(SettingsMenusTest, PortsOpenCloseAndGrayTheSerialMenus) {
  serial.ProbeSerialPorts();
  EXPECT_TRUE(menus.IsItemEnabled(menu::kPortCom1));
  EXPECT_TRUE(menus.IsItemEnabled(menu::kPortCom1 + 1));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kPortCom1 + 2));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kPortCom8));
  EXPECT_TRUE(serial.PortAvailable(2));
  EXPECT_FALSE(serial.PortAvailable(3));

  settingsMenus.OnCommand(menu::kPortDisabled);  // nothing open: nothing logged
  EXPECT_TRUE(LogTexts().empty());
  EXPECT_FALSE(menus.IsItemEnabled(menu::kRateFirst));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kTxLineLast));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kDovetronTeletype));
  EXPECT_EQ(settings.m_CommPort, "Disabled");

  settingsMenus.OnCommand(menu::kPortCom1 + 1);
  EXPECT_EQ(line.opened, (std::vector<std::string>{"/dev/ttyS1"}));
  EXPECT_EQ(settings.m_CommPort, "COM2");
  EXPECT_TRUE(menus.IsItemEnabled(menu::kRateLast));
  EXPECT_TRUE(menus.IsItemChecked(menu::kPortCom1 + 1));
  EXPECT_FALSE(menus.IsItemChecked(menu::kPortDisabled));

  settingsMenus.OnCommand(menu::kRateFirst + 1);  // 50 baud reopens the open port
  EXPECT_EQ(settings.BAUD, 50.0f);
  EXPECT_EQ(line.settings, (SerialLineSettings{50, 5, 0, 1}));
  EXPECT_EQ(line.opened.size(), 2u);

  settingsMenus.OnCommand(menu::kPortDisabled);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(LogTexts().back(), "Comm Port \"COM2\" closed");

  settingsMenus.OnCommand(menu::kRateLast);  // no port: only the setting
  EXPECT_EQ(settings.BAUD, 56000.0f);
  EXPECT_EQ(line.opened.size(), 2u);
}

// A file being sent holds the busy flag on the window thread and lets menu
// commands in meanwhile: they change the framing, the rate and the port at
// once, and the flag stays the file's.
TEST_F(SettingsMenusTest, ChangesWhileTheWindowThreadSendsGoAheadAndLeaveItTheFlag) {
  serial.ProbeSerialPorts();
  settingsMenus.OnCommand(menu::kPortCom1);
  ASSERT_TRUE(busy.TryTake());
  const auto before = Elapsed();

  settingsMenus.OnCommand(menu::kModeAscii);
  EXPECT_EQ(settings.MODE, kModeAscii);
  EXPECT_TRUE(busy.IsSet());
  settingsMenus.OnCommand(menu::kRateFirst + 1);
  EXPECT_EQ(line.settings, (SerialLineSettings{50, 8, 0, 0}));
  EXPECT_TRUE(busy.IsSet());
  settingsMenus.OnCommand(menu::kPortCom1 + 1);
  EXPECT_EQ(settings.m_CommPort, "COM2");
  EXPECT_TRUE(busy.IsSet());
  EXPECT_EQ(Elapsed(), before);

  busy.Release();
  settingsMenus.OnCommand(menu::kModeMilitary);  // a free flag is taken and given back
  EXPECT_EQ(settings.DATABITS, 5);
  EXPECT_FALSE(busy.IsSet());
}

TEST_F(SettingsMenusTest, StartUpOpensOnlyAProbedPort) {
  serial.ProbeSerialPorts();
  settings.m_CommPort = "COM5";
  serial.OpenConfiguredPort();
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{"Invalid Comport \"COM5\" requested and is not available"}));
  EXPECT_TRUE(line.opened.empty());

  settings.m_CommPort = "COM1";
  serial.OpenConfiguredPort();
  EXPECT_EQ(line.opened, (std::vector<std::string>{"/dev/ttyS0"}));
  EXPECT_TRUE(menus.IsItemChecked(menu::kPortCom1));
}

TEST_F(SettingsMenusTest, TxLineItemsLogTheirNameAndHoldTheirId) {
  settingsMenus.OnCommand(menu::kTxLineFirst + 3);
  EXPECT_EQ(settings.TxLine, ID_RS232CONTROL_RTSXMIT);
  EXPECT_TRUE(menus.IsItemChecked(menu::kTxLineFirst + 3));
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{"Setting RS-232 control to ID_RS232CONTROL_RTSXMIT"}));
}

TEST_F(SettingsMenusTest, SoundCardMarkFollowsTheNumberEachItemStores) {
  struct Row {
    int item;
    int stored;
  };
  for (const Row row : {Row{menu::kSoundCard1, 0}, Row{menu::kSoundCard4, 4},
                        Row{menu::kSoundAuto, -1}, Row{menu::kSoundNone, 99}}) {
    settingsMenus.OnCommand(row.item);
    EXPECT_EQ(settings.soundCardID, row.stored);
    menus.checked.clear();
    soundCards.ShowSoundCard();
    EXPECT_TRUE(menus.IsItemChecked(row.item)) << row.stored;
  }
  // Numbers no item stores send on the serial path, and say so; 3 opens the
  // fourth device, which no item names.
  for (const int unnamed : {5, 7, 98, 100, -2}) {
    settings.soundCardID = unnamed;
    soundCards.ShowSoundCard();
    for (int id = menu::kSoundFirst; id <= menu::kSoundLast; ++id) {
      EXPECT_EQ(menus.IsItemChecked(id), id == menu::kSoundNone) << unnamed << " " << id;
    }
  }
  settings.soundCardID = 3;
  soundCards.ShowSoundCard();
  for (int id = menu::kSoundFirst; id <= menu::kSoundLast; ++id) {
    EXPECT_FALSE(menus.IsItemChecked(id)) << id;
  }
}

TEST_F(SettingsMenusTest, ThePortLineWritesItsRateWithAPointUnderACommaDecimalLanguage) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  serial.ProbeSerialPorts();
  settingsMenus.OnCommand(menu::kPortCom1);
  ASSERT_FALSE(LogTexts().empty());
  EXPECT_TRUE(LogTexts().back().starts_with("\"COM1\" BAUD=45.5 Bits=5")) << LogTexts().back();
}

}  // namespace
}  // namespace kestrix
