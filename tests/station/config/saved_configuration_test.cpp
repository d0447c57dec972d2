#include "station/config/saved_configuration.h"

#include <climits>

#include "station/config/menu_ids.h"
#include "tests/common_support/comma_decimal_locale.h"
#include "tests/station/config/settings_fixture.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class SavedConfigurationTest : public testing::SettingsTest {
 protected:
  // The saved file with the value of `field` replaced by `value`.
  void SaveWith(const std::string& field, const std::string& value) {
    configuration.SaveConfiguration();
    std::string text = ReadFile(SavedConfiguration::kFileName);
    const std::size_t end = text.find("\t" + field + "\r\n");
    const std::size_t start = text.rfind('\n', end) + 1;
    text.replace(start, end - start, value);
    WriteFile(SavedConfiguration::kFileName, text);
  }
};

TEST_F(SavedConfigurationTest, SavesTheStartValuesAsTheFixedThirtyThreeLines) {
  configuration.SaveConfiguration();
  const std::string expected =
      "NULL           \tm_CommPort\r\n"
      "45.450001      \tBAUD\r\n"
      "32806          \tTxLine\r\n"
      "3              \tMODE\r\n"
      "5              \tDATABITS\r\n"
      "0              \ttimerTick\r\n"
      "0              \tmorseTick\r\n"
      "-1             \tCWTimer\r\n"
      "0              \tscheduleEnable\r\n"
      "0              \ttransferCancel\r\n"
      "1              \tnotSending\r\n"
      "1              \ttransferSend\r\n"
      "0              \tsendNow\r\n"
      "0              \tlocalLock\r\n"
      "0              \theaderEnable\r\n"
      "0              \tQERVAutoStart\r\n"
      "0              \tdiddleEnable\r\n"
      "0              \ttransmitOn\r\n"
      "0              \tsendBreakSignal\r\n"
      "1              \tcheckNoTimer\r\n"
      "99             \tsoundCardID\r\n"
      "0              \tcwTimerCheck\r\n"
      "2125.000000    \tmarkTone\r\n"
      "2295.000000    \tspaceTone\r\n"
      "127.0.0.1      \tipAddress\r\n"
      "0              \tipPort\r\n"
      "x              \tipAuthentication\r\n"
      "0              \tQERVAutoLine72\r\n"
      "1              \tQERVUseSubjectFileName\r\n"
      "25             \tSMTP_Port_Number1\r\n"
      "593            \tSMTP_Port_Number2\r\n"
      "QERV@          \tQERVEmailAddress\r\n"
      "23             \tQERVTelnetPortNumber \r\n";
  EXPECT_EQ(ReadFile(SavedConfiguration::kFileName), expected);
  EXPECT_TRUE(LogTexts().empty());
}

TEST_F(SavedConfigurationTest, RestoreBringsBackSavedValuesLogsEachLineAndSetsTheMarks) {
  settings.soundCardID = 4;
  settings.headerEnable = 1;
  settings.QERVEmailAddress = "NEWS@EXAMPLE.ORG";
  configuration.SaveConfiguration();

  modes.SelectMode(menu::kModeAscii);
  settings.markTone = 1275.0;
  settings.spaceTone = 1445.0;
  settings.soundCardID = 99;
  settings.headerEnable = 0;
  window.eventList.lines.clear();
  configuration.RestoreConfiguration();

  EXPECT_EQ(settings.MODE, kModeMilitary);
  EXPECT_EQ(settings.markTone, 2125.0);
  EXPECT_EQ(settings.spaceTone, 2295.0);
  EXPECT_EQ(settings.BAUD, 45.45f);
  EXPECT_EQ(settings.soundCardID, 4);
  EXPECT_TRUE(menus.IsItemChecked(menu::kModeMilitary));  // the mode mark follows
  EXPECT_TRUE(menus.IsItemChecked(menu::kSoundCard4));
  EXPECT_TRUE(menus.IsItemChecked(menu::kHeader));
  EXPECT_FALSE(menus.IsItemChecked(menu::kAutostart));
  EXPECT_TRUE(menus.IsItemChecked(menu::kRecipientOther));
  EXPECT_EQ(menus.ItemText(menu::kRecipientOther), "NEWS@EXAMPLE.ORG");

  const auto texts = LogTexts();
  ASSERT_EQ(texts.size(), 2u + 33u + 2u);
  EXPECT_EQ(texts[0], std::string(76, '-'));
  EXPECT_EQ(texts[1], "CONFIG FILE \"Kestrix.cfg\" WILL BE REPLACING \"Kestrix.ini\" Settings");
  EXPECT_EQ(texts[2], "NULL           \tm_CommPort");
  EXPECT_EQ(texts[34], "23             \tQERVTelnetPortNumber ");
  EXPECT_EQ(texts[35], "QERVEmailAddress overridden and changed to \"NEWS@EXAMPLE.ORG\"");
  EXPECT_EQ(texts[36], std::string(76, '-'));
}

TEST_F(SavedConfigurationTest, ShortOddOrMissingFilesChangeOnlyWhatTheyHold) {
  configuration.RestoreConfiguration();  // no file
  EXPECT_TRUE(LogTexts().empty());

  settings.MODE = kModeTelex;
  settings.ipPort = "";
  configuration.SaveConfiguration();
  std::string text = ReadFile(SavedConfiguration::kFileName);
  // Keep the first 26 lines (through ipPort) and spoil the BAUD line.
  std::size_t end = 0;
  for (int i = 0; i < 26; ++i) {
    end = text.find('\n', end) + 1;
  }
  text = text.substr(0, end);
  text.replace(text.find("45.450001"), 9, "fast     ");
  WriteFile(SavedConfiguration::kFileName, text);

  settings.MODE = kModeAscii;
  settings.BAUD = 50.0f;
  settings.ipAuthentication = "secret";
  settings.SMTP_Port_Number1 = 2525;
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.MODE, kModeTelex);
  EXPECT_EQ(settings.BAUD, 50.0f);                 // not a number: left alone
  EXPECT_EQ(settings.ipPort, "ipPort");            // 15 blanks, then its name
  EXPECT_EQ(settings.ipAuthentication, "secret");  // after the end of the file
  EXPECT_EQ(settings.SMTP_Port_Number1, 2525);
}

TEST_F(SavedConfigurationTest, ASoundCardNumberNoItemNamesRestoresTheNoSoundMark) {
  SaveWith("soundCardID", "7");
  settingsMenus.OnCommand(menu::kSoundCard2);
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.soundCardID, 7);
  EXPECT_TRUE(menus.IsItemChecked(menu::kSoundNone));
  EXPECT_FALSE(menus.IsItemChecked(menu::kSoundCard2));
}

TEST_F(SavedConfigurationTest, AnIntegerTooLargeForItsFieldIsHeldToTheLargestItHolds) {
  SaveWith("MODE", "99999999999");
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.MODE, INT_MAX);
  SaveWith("CWTimer", "-99999999999");
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.CWTimer, INT_MIN);
}

// A tone the initialization file or the dialog allows may be saved in
// hundreds of digits; read back, it must not spill into the lines after it.
TEST_F(SavedConfigurationTest, AValueLongerThanAnyLineComesBackAndTheLinesAfterItKeepTheirFields) {
  settings.markTone = 1e300;
  settings.spaceTone = 1445.0;
  configuration.SaveConfiguration();
  settings.markTone = 2125.0;
  settings.spaceTone = 2295.0;
  settings.ipAddress = "10.0.0.1";
  window.eventList.lines.clear();
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.markTone, 1e300);
  EXPECT_EQ(settings.spaceTone, 1445.0);
  EXPECT_EQ(settings.ipAddress, "127.0.0.1");
  EXPECT_EQ(settings.QERVTelnetPortNumber, 23);
  EXPECT_EQ(LogTexts().size(), 2u + 33u + 2u);  // one line for each of the 33
}

TEST_F(SavedConfigurationTest, NumbersKeepTheirPointUnderACommaDecimalLanguage) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  settings.markTone = 1275.5;
  configuration.SaveConfiguration();
  const std::string text = ReadFile(SavedConfiguration::kFileName);
  EXPECT_NE(text.find("45.450001      \tBAUD\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1275.500000    \tmarkTone\r\n"), std::string::npos) << text;

  SaveWith("BAUD", "45.5");
  settings.BAUD = 50.0f;
  settings.markTone = 2125.0;
  configuration.RestoreConfiguration();
  EXPECT_EQ(settings.BAUD, 45.5f);
  EXPECT_EQ(settings.markTone, 1275.5);
}

TEST_F(SavedConfigurationTest, ARateTheStationCannotSendKeepsTheRateInForce) {
  for (const char* bad : {"0", "-5", "nan", "inf", "-inf", "1e30", "1e-30", "0.5", "56001"}) {
    SCOPED_TRACE(bad);
    SaveWith("BAUD", bad);
    settings.BAUD = 50.0f;
    window.eventList.lines.clear();
    configuration.RestoreConfiguration();
    EXPECT_EQ(settings.BAUD, 50.0f);
    const auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 2u + 33u + 3u);
    EXPECT_EQ(texts[3].substr(0, texts[3].find('\t')), bad);  // the line as read
    EXPECT_EQ(texts[4], std::string("RestoreConfiguration : BAUD ") + bad +
                            " is not a rate the station can send (1 to 56000 baud); keeping 50.");
  }
  for (const float good : {1.0f, 75.0f, 56000.0f}) {
    SaveWith("BAUD", std::to_string(static_cast<int>(good)));
    settings.BAUD = 50.0f;
    configuration.RestoreConfiguration();
    EXPECT_EQ(settings.BAUD, good);
  }
}

}  // namespace
}  // namespace kestrix
