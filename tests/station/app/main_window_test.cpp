#include "station/app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

#include "station/app/qt_event_loop.h"
#include "station/config/menu_ids.h"
#include "station/encoding/posix_serial_line.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

// The program's own devices and loop, in a scratch working directory.
class MainWindowTest : public ::testing::Test {
 protected:
  StationDevices Devices() { return {serialLine, modem, waveDevices, launcher}; }

  int argc = 1;
  char name[17] = "main_window_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  QtEventLoop loop;
  PosixSerialLine serialLine;
  NullPsk31Modem modem;
  testing::FakeWaveDeviceFactory waveDevices;
  QtLauncher launcher;
};

TEST_F(MainWindowTest, StartsShowsItsLogLinesAndTicks) {
  std::vector<int> exits;
  CKestrixDlg window(loop, Devices(), [&exits](int status) { exits.push_back(status); });
  window.show();
  window.GetStation().Start();

  auto* events = window.findChild<QListWidget*>("eventList");
  auto* clock = window.findChild<QLineEdit*>("clock");
  ASSERT_NE(events, nullptr);
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(events->property("controlId").toInt(), 1121);
  ASSERT_GE(events->count(), 2);
  EXPECT_TRUE(events->item(1)->text().endsWith(" > ***** RTTY Application has been STARTED *****"));
  EXPECT_EQ(events->currentRow(), events->count() - 1);

  // Two ticks of the real one-second clock; the deadline only turns a hang
  // into a failure.
  QStringList shown;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (shown.size() < 2 && std::chrono::steady_clock::now() < deadline) {
    loop.WaitForNextEvent();
    if (!clock->text().isEmpty() && (shown.isEmpty() || shown.back() != clock->text())) {
      shown.push_back(clock->text());
    }
  }
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0].size(), 24);

  window.close();  // the close question is answered Yes without a display
  EXPECT_TRUE(events->item(events->count() - 1)
                  ->text()
                  .endsWith(" > ***** RTTY Application has been TERMINATED *****"));
  EXPECT_EQ(exits, std::vector<int>{0});
}

// The marks and graying an operator sees, on a real (pseudo-terminal) port
// named in the initialization file.
TEST_F(MainWindowTest, MenusShowThePortAndGrayTheSerialMenusWithoutOne) {
  testing::PseudoTerminal terminal;
  ASSERT_FALSE(terminal.Slave().empty());
  testing::WriteFile("Kestrix.ini",
                     "QERVCOMMPORT=\"COM1\"\nQERVSERIALDEVICE=\"COM1=" + terminal.Slave() + "\"\n");
  std::vector<int> exits;
  CKestrixDlg window(loop, Devices(), [&exits](int status) { exits.push_back(status); });
  window.GetStation().Start();

  auto action = [&window](int id) {
    for (QAction* a : window.findChildren<QAction*>()) {
      if (a->data().toInt() == id) {
        return a;
      }
    }
    ADD_FAILURE() << "no menu item " << id;
    return static_cast<QAction*>(nullptr);
  };
  EXPECT_TRUE(serialLine.IsOpen());
  EXPECT_TRUE(action(menu::kPortCom1)->isChecked());
  EXPECT_FALSE(action(menu::kPortDisabled)->isChecked());
  EXPECT_TRUE(action(menu::kRateFirst)->isEnabled());
  EXPECT_TRUE(action(menu::kRateFirst)->isChecked());
  EXPECT_TRUE(action(menu::kModeMilitary)->isChecked());
  EXPECT_TRUE(action(menu::kTxLineFirst)->isChecked());
  EXPECT_TRUE(action(menu::kNoTimer)->isChecked());
  EXPECT_TRUE(action(menu::kSoundNone)->isChecked());
  EXPECT_TRUE(action(menu::kRecipientQerv)->isChecked());

  action(menu::kPortDisabled)->trigger();
  EXPECT_FALSE(serialLine.IsOpen());
  EXPECT_TRUE(action(menu::kPortDisabled)->isChecked());
  EXPECT_FALSE(action(menu::kPortCom1)->isChecked());
  for (int id : {menu::kRateFirst, menu::kTxLineLast, menu::kDovetronComputer}) {
    EXPECT_FALSE(action(id)->isEnabled()) << id;
  }

  action(menu::kDiddle)->trigger();
  EXPECT_TRUE(action(menu::kDiddle)->isChecked());
  EXPECT_EQ(window.GetStation().Settings().diddleEnable, 1);

  action(menu::kPortCom1)->trigger();
  EXPECT_TRUE(serialLine.IsOpen());
  EXPECT_TRUE(action(menu::kTxLineLast)->isEnabled());
  EXPECT_TRUE(exits.empty());
  window.GetStation().Shutdown();
}

// The pane shows CR LF as one line end; the character being sent is still
// the one selected.
TEST_F(MainWindowTest, TextPaneSelectsTheCharacterBeingSentAcrossLineEnds) {
  QPlainTextEdit edit;
  QtTextPane pane(edit);
  pane.SetText("AB\r\nCD\rE");
  pane.SelectCharacter(4);
  EXPECT_EQ(edit.textCursor().selectedText(), "C");
  pane.SelectCharacter(7);
  EXPECT_EQ(edit.textCursor().selectedText(), "E");
  pane.SelectCharacter(99);  // past the end: nothing happens
  EXPECT_EQ(edit.textCursor().selectedText(), "E");
}

}  // namespace
}  // namespace kestrix
