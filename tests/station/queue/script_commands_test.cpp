#include "station/queue/script_commands.h"

#include "station/config/menu_ids.h"
#include "station/queue/send_queue.h"
#include "tests/station/app/station_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class ScriptCommandsTest : public testing::StationTest {
 protected:
  ScriptCommandsTest() { StartWith("QERVCOMMPORT=\"COM1\"\nQERVCALLSIGN=\"n0call\"\n"); }
  void Run(const std::string& text) { station.QueuePart().Scripts().RunScriptCommand(text); }
  // Every saved setting and the two carriers.
  std::string Snapshot() {
    station.ConfigurationPart().Configuration().SaveConfiguration();
    return testing::ReadFile("Kestrix.cfg") + std::to_string(settings.pskFrequency) + " " +
           std::to_string(settings.fskFrequency);
  }
};

TEST_F(ScriptCommandsTest, CommandsMatchByPrefixInTableOrder) {
  struct Row {
    const char* command;
    std::function<bool(const StationSettings&)> holds;
  };
  const Row rows[] = {
      {"b50", [](auto& s) { return s.BAUD == 50.0f; }},
      {"B4567", [](auto& s) { return s.BAUD == 45.45f; }},
      {"B56000", [](auto& s) { return s.BAUD == 56000.0f; }},
      {"B56", [](auto& s) { return s.BAUD == 56.9f; }},
      {"TELEX", [](auto& s) { return s.MODE == kModeTelex && s.transmitOn == 0; }},
      {"TX", [](auto& s) { return s.transmitOn == 1; }},
      {"RX", [](auto& s) { return s.transmitOn == 0; }},
      {"CWTimer", [](auto& s) { return s.cwTimerCheck == 1 && s.CWTimer == 0; }},
      {"CWStop", [](auto& s) { return s.cwTimerCheck == 0 && s.CWTimer == -1; }},
      {"CW", [](auto& s) { return s.MODE == kModeCw; }},
      {"MILITARY", [](auto& s) { return s.MODE == kModeMilitary; }},
      {"F1500", [](auto& s) { return s.pskFrequency == 1500.0f; }},
      {"F2100", [](auto& s) { return s.pskFrequency == 2100.0f; }},
      {"FSK=2125", [](auto& s) { return s.fskFrequency == 2125.0f; }},
      {"HEADER", [](auto& s) { return s.headerEnable == 1; }},
      {"NOHEADER", [](auto& s) { return s.headerEnable == 0; }},
      {"DITTLE", [](auto& s) { return s.diddleEnable == 1; }},
      {"NODITTLE", [](auto& s) { return s.diddleEnable == 0; }},
      {"DID", [](auto& s) { return s.diddleEnable == 1; }},
      {"DTR", [](auto& s) { return s.TxLine == ID_RS232CONTROL_DTR; }},
      {"RTS", [](auto& s) { return s.TxLine == ID_RS232CONTROL_RTS; }},
  };
  for (const Row& row : rows) {
    Run(row.command);
    EXPECT_TRUE(row.holds(settings)) << row.command;
    // The TU_Setup mark follows TxLine after every command.
    EXPECT_TRUE(window.menus.IsItemChecked(settings.TxLine)) << row.command;
  }
  EXPECT_TRUE(window.menus.IsItemChecked(menu::kRateFirst + 2));  // 56.9, the last rate
  EXPECT_TRUE(window.menus.IsItemChecked(menu::kModeMilitary));
  EXPECT_FALSE(window.menus.IsItemChecked(menu::kHeader));
  EXPECT_TRUE(window.menus.IsItemChecked(menu::kDiddle));
}

TEST_F(ScriptCommandsTest, PskNeedsACardAndTakesOnlyAPlausibleCarrier) {
  Run("PSK=1750.5");  // no sound card chosen
  EXPECT_EQ(window.messageBox.shown.back().text, "Please Select a Sound Card");
  EXPECT_EQ(settings.MODE, kModeMilitary);
  EXPECT_EQ(settings.pskFrequency, 1750.5f);

  settings.soundCardID = 0;
  modem.startResult = 0;
  Run("PSK=150");
  EXPECT_EQ(settings.MODE, kModePsk31);
  EXPECT_EQ(settings.pskFrequency, 1750.5f);
}

TEST_F(ScriptCommandsTest, UnknownWordsAndPowerCommandsChangeNothing) {
  const std::string before = Snapshot();
  for (const char* command : {"PON", "POFF", "--", "HELLO", ""}) {
    Run(command);
  }
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(LogTexts().empty());
}

TEST_F(ScriptCommandsTest, PortSwitchRefusesPortsTheProbeDidNotFind) {
  ASSERT_EQ(line.opened, (std::vector<std::string>{"/dev/ttyS0"}));
  Run("COM0");
  Run("COM9");
  Run("COM3");
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{"COMM Port is disabled", "Error: Non-existant Port Number",
                                      "Error: Non-existant Port Number"}));
  EXPECT_EQ(line.opened.size(), 1u);
  EXPECT_EQ(settings.m_CommPort, "COM1");
  EXPECT_TRUE(exits.empty());

  Run("TX");
  window.eventList.lines.clear();
  Run("com2");
  EXPECT_EQ(line.opened.back(), "/dev/ttyS1");
  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_TRUE(window.menus.IsItemChecked(menu::kPortCom1 + 1));
  EXPECT_EQ(LogTexts().back(), "ComPort Changed to COM2");
  EXPECT_TRUE(Logged("CmRX : Transmitter OFF"));
}

TEST_F(ScriptCommandsTest, HeaderAndNoHeaderFrameOnlyTheFilesBetweenThem) {
  for (const char* name : {"header.txt", "footer.txt", "one.txt", "two.txt"}) {
    testing::WriteFile(std::string("data/") + name, "E");
  }
  const TimeTag now = ToTimeTag(loop.Now());
  for (const char* entry : {"$HEADER", "one.txt", "$NOHEADER", "two.txt"}) {
    station.QueuePart().Queue().Append(FormatQueueLine(now, entry));
  }
  station.QueuePart().Cycle().CmEnable();
  loop.RunFor(120s);

  std::vector<std::string> sent;
  for (const auto& text : LogTexts()) {
    if (text.starts_with("TXFile : Sending")) {
      sent.push_back(text);
    }
  }
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "TXFile : Sending file <header.txt>.", "TXFile : Sending file <one.txt>.",
                      "TXFile : Sending file <footer.txt>.", "TXFile : Sending file <two.txt>."}));
}

}  // namespace
}  // namespace kestrix
