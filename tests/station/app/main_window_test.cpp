#include "station/app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <thread>

#include "common/qt_event_loop.h"
#include "station/config/control_ids.h"
#include "station/config/menu_ids.h"
#include "station/encoding/posix_serial_line.h"
#include "station/queue/schedule_editor_window.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/recording_serial_line.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

QAction* FindAction(QWidget& window, int id) {
  for (QAction* a : window.findChildren<QAction*>()) {
    if (a->data().toInt() == id) {
      return a;
    }
  }
  ADD_FAILURE() << "no menu item " << id;
  return nullptr;
}

template <typename T>
std::vector<T*> OpenWindows() {
  std::vector<T*> open;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) {
      open.push_back(t);
    }
  }
  return open;
}

// A window that runs a loop of its own holds its caller. Should one do so,
// this ends it from inside that loop, so that the test fails instead of
// hanging; it counts what it had to end.
class ModalEnder {
 public:
  ModalEnder() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
          icons.push_back(box->icon());
        }
        ++ended;
        dialog->done(QDialog::Accepted);
      }
    });
    timer_.start(0);
  }
  int ended = 0;
  std::vector<QMessageBox::Icon> icons;

 private:
  QTimer timer_;
};

// The program's own devices and loop, in a scratch working directory.
class MainWindowTest : public ::testing::Test {
 protected:
  StationDevices Devices() { return {serialLine, modem, waveDevices, launcher, true}; }

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
  EXPECT_EQ(events->property("controlId").toInt(), control::kEventList);
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

// A chat user shows in the list; choosing the row enables Kill, and Kill
// drops the user.
// One editor window, made on the first command and kept: both menu items
// show it, with the schedule loaded.
TEST_F(MainWindowTest, TheScheduleEditorIsOneWindowShownByEitherMenuItem) {
  std::filesystem::create_directory("data");
  testing::WriteFile("data/wx.txt", "WX\r\n");
  testing::WriteFile("data/schedule.lst", "wx.txt\n");
  std::vector<int> exits;
  CKestrixDlg window(loop, Devices(), [&exits](int status) { exits.push_back(status); });
  window.show();
  window.GetStation().Start();
  for (int id : {menu::kLaunchEditor, menu::kKestrixEditor, menu::kLaunchEditor}) {
    FindAction(window, id)->trigger();
  }
  std::vector<ScheduleEditorWindow*> editors;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* editor = dynamic_cast<ScheduleEditorWindow*>(w)) {
      editors.push_back(editor);
    }
  }
  ASSERT_EQ(editors.size(), 1u);
  EXPECT_TRUE(editors[0]->isVisible());
  const std::vector<std::string> lines = editors[0]->Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("wx.txt"), std::string::npos);
  window.GetStation().Shutdown();
}

TEST_F(MainWindowTest, KillDropsTheChosenChatUser) {
  CKestrixDlg window(loop, Devices(), [](int) {});
  window.show();
  window.GetStation().Start();
  auto* users = window.findChild<QTreeWidget*>("chatUsers");
  auto* kill = window.findChild<QPushButton*>("Kill");
  ASSERT_NE(users, nullptr);
  ASSERT_NE(kill, nullptr);
  EXPECT_FALSE(kill->isEnabled());
  ASSERT_NE(window.GetStation().NetworkPart().Chat(), nullptr);
  const int port = window.GetStation().NetworkPart().Chat()->Port();

  std::atomic<bool> dropped{false};
  std::thread client([&] {
    testing::SmtpTestClient bob(port);
    bob.ReadUntil("Enter User Name:  ");
    bob.Send("bob\r\n");
    bob.ReadUntil("Begin Session ---------------------\n\r\n\r");
    dropped = bob.ServerClosed();
  });
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (users->topLevelItemCount() == 0 && std::chrono::steady_clock::now() < deadline) {
    loop.WaitForNextEvent();
  }
  ASSERT_EQ(users->topLevelItemCount(), 1);
  EXPECT_EQ(users->topLevelItem(0)->text(0), "bob");
  EXPECT_EQ(users->topLevelItem(0)->text(3), "127.000.000.001");
  users->topLevelItem(0)->setSelected(true);
  EXPECT_TRUE(kill->isEnabled());
  kill->click();
  EXPECT_EQ(users->topLevelItemCount(), 0);
  EXPECT_FALSE(kill->isEnabled());
  client.join();
  EXPECT_TRUE(dropped);
  auto* events = window.findChild<QListWidget*>("eventList");
  EXPECT_FALSE(events->findItems("Deleted Chat user bob", Qt::MatchEndsWith).isEmpty());
  window.close();
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

// Whether `text` fits the field's text area whole, as QLineEdit lays it out.
bool ShowsWhole(QLineEdit& field, const QString& text) {
  QStyleOptionFrame option;
  option.initFrom(&field);
  option.rect = field.rect();
  option.lineWidth = field.hasFrame()
                         ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field)
                         : 0;
  const QMargins margins = field.textMargins();
  const int room =
      field.style()->subElementRect(QStyle::SE_LineEditContents, &option, &field).width() -
      margins.left() - margins.right() - 2 * 2;  // QLineEdit's own margin
  return field.fontMetrics().horizontalAdvance(text) < room;
}

TEST_F(MainWindowTest, StateFieldsShowTheirWholeTextAtTheDefaultSize) {
  CKestrixDlg window(loop, Devices(), [](int) {});
  window.show();
  QApplication::processEvents();
  EXPECT_LE(window.width(), 1024);  // still fits a small screen
  const std::vector<std::pair<const char*, QStringList>> fields = {
      {"scheduleStatus", {"ENABLE", "DISABLED", "AutoStart", "AutoWait"}},
      {"transmitStatus", {"  ON  ", "  OFF  "}},
      {"flowStatus", {"PAUSE", "RESUME", "CANCEL"}}};
  for (const auto& [name, texts] : fields) {
    auto* field = window.findChild<QLineEdit*>(name);
    ASSERT_NE(field, nullptr) << name;
    for (const QString& text : texts) {
      EXPECT_TRUE(ShowsWhole(*field, text))
          << name << " " << text.toStdString() << " in " << field->width() << " px";
    }
  }
}

TEST_F(MainWindowTest, AfterStartUpTheMenusAndFieldsShowTheRestoredSettings) {
  CKestrixDlg window(loop, Devices(), [](int) {});
  StationSettings& settings = window.GetStation().Settings();
  settings.checkNoTimer = 0;
  settings.diddleEnable = 1;
  window.GetStation().ConfigurationPart().Configuration().SaveConfiguration();
  settings.checkNoTimer = 1;
  settings.diddleEnable = 0;
  window.GetStation().Start();
  EXPECT_FALSE(FindAction(window, menu::kNoTimer)->isChecked());
  EXPECT_TRUE(FindAction(window, menu::kDiddle)->isChecked());
  EXPECT_EQ(window.findChild<QLineEdit*>("transmitStatus")->text(), "  OFF  ");
  EXPECT_EQ(window.findChild<QLineEdit*>("cwId")->text(), "OFF");
  window.GetStation().Shutdown();
}

// Boxes as an operator with a display gets them.
TEST_F(MainWindowTest, BoxesCarryTheirIconAndNeverHoldTheCaller) {
  QWidget parent;
  QtMessageBox boxes(parent, true);
  std::vector<bool> answers;
  {
    ModalEnder ender;
    boxes.Show("Output Memory Error", "Kestrix", MessageBoxIcon::kStop);
    boxes.Show("Output Memory Error", "Kestrix", MessageBoxIcon::kStop);  // already up
    boxes.Show("Careful", "Kestrix", MessageBoxIcon::kWarning);
    boxes.Ask("Sure?", "Question", MessageBoxIcon::kQuestion,
              [&answers](bool yes) { answers.push_back(yes); });
    EXPECT_EQ(ender.ended, 0);
  }
  auto open = OpenWindows<QMessageBox>();
  ASSERT_EQ(open.size(), 3u);
  std::map<QString, QMessageBox*> byText;
  for (QMessageBox* box : open) {
    byText[box->text()] = box;
  }
  ASSERT_EQ(byText.size(), 3u);
  EXPECT_EQ(byText["Output Memory Error"]->icon(), QMessageBox::Critical);
  EXPECT_EQ(byText["Output Memory Error"]->windowTitle(), "Kestrix");
  EXPECT_EQ(byText["Careful"]->icon(), QMessageBox::Warning);
  QMessageBox* question = byText["Sure?"];
  EXPECT_EQ(question->icon(), QMessageBox::Question);
  EXPECT_TRUE(answers.empty());
  question->button(QMessageBox::No)->click();
  EXPECT_EQ(answers, std::vector<bool>{false});
  QPointer<QMessageBox> closed = question;
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closed.isNull());  // boxes go when they close

  // The fatal box is the one that waits for its OK.
  ModalEnder ender;
  boxes.ShowAndWait("Could not open comm port", "Kestrix2010 Comm Port Critical Error",
                    MessageBoxIcon::kStop);
  EXPECT_EQ(ender.icons, std::vector<QMessageBox::Icon>{QMessageBox::Critical});
}

// The station's own loop on the simulated clock, with the main window's
// widgets on the offscreen platform.
class MainWindowOnAirTest : public ::testing::Test {
 protected:
  MainWindowOnAirTest() { std::filesystem::create_directory("data"); }

  bool Logged(const std::string& text) {
    auto* events = window.findChild<QListWidget*>("eventList");
    for (int i = 0; i < events->count(); ++i) {
      if (events->item(i)->text().toStdString().substr(11) == text) {
        return true;
      }
    }
    return false;
  }

  int argc = 1;
  char name[17] = "main_window_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::RecordingSerialLine line{loop};
  NullPsk31Modem modem;
  testing::FakeWaveDeviceFactory waveDevices;
  QtLauncher launcher;
  std::vector<int> exits;
  CKestrixDlg window{
      loop, {line, modem, waveDevices, launcher}, [this](int s) { exits.push_back(s); }};
};

// Windows opened in the middle of a bulletin stay open while it goes on to
// its end; what they return is taken when they close.
TEST_F(MainWindowOnAirTest, WindowsOpenedWhileAFileIsSentDoNotHoldIt) {
  testing::WriteFile("Kestrix.ini", "QERVCOMMPORT=\"COM1\"\nQERVSCHEDULERENABLE=1\n");
  std::string bulletin;
  for (int i = 0; i < 20; ++i) {
    bulletin += "THE QUICK BROWN FOX\r\n";
  }
  testing::WriteFile("data/news.txt", bulletin);
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  testing::WriteFile("elsewhere.txt", "X");
  window.show();
  window.GetStation().Start();

  std::size_t bytesAtOpen = 0;
  ModalEnder ender;
  loop.PostAt(testing::LocalMoment(2026, 3, 7, 9, 5, 31), [&] {
    ASSERT_TRUE(Logged("TXFile : Sending file <news.txt>."));
    bytesAtOpen = line.Bytes().size();
    for (int id : {menu::kAboutBox, menu::kSoundSetup, menu::kAddMultipleFiles}) {
      FindAction(window, id)->trigger();
    }
  });
  loop.RunFor(std::chrono::seconds(120));
  EXPECT_EQ(ender.ended, 0);
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
  EXPECT_GT(line.Bytes().size(), bytesAtOpen + 100);

  std::map<QString, QDialog*> open;
  for (QDialog* dialog : OpenWindows<QDialog>()) {
    open[dialog->windowTitle()] = dialog;
  }
  ASSERT_EQ(open.size(), 3u);
  ASSERT_TRUE(open.count("About Kestrix"));
  EXPECT_GT(open["About Kestrix"]->findChild<QListWidget*>("aboutListing")->count(), 40);
  ASSERT_TRUE(open.count("Sound Card Frequency Setup"));
  QDialog* setup = open["Sound Card Frequency Setup"];
  setup->findChild<QLineEdit*>("mark")->setText("1275");
  setup->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(window.GetStation().Settings().markTone, 1275.0);
  auto* files = qobject_cast<QFileDialog*>(open["Open - Kestrix Controller Files to Load"]);
  ASSERT_NE(files, nullptr);
  files->selectFile(QDir::current().absoluteFilePath("elsewhere.txt"));
  QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
  EXPECT_TRUE(std::filesystem::exists("data/elsewhere.txt"));
  EXPECT_TRUE(exits.empty());
  window.GetStation().Shutdown();
}

}  // namespace
}  // namespace kestrix
