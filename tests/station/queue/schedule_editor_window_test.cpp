// The schedule editor's window, offscreen: the pane's wrapping as the file
// is saved, the slider's width, showing and hiding, and the keys.

#include "station/queue/schedule_editor_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSlider>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// The pieces between soft breaks, the paragraph ends left in them.
std::vector<std::string> WrappedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\r\n", start)) != std::string::npos; start = at + 3) {
    lines.push_back(text.substr(start, at - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string WithoutSoftBreaks(std::string text) {
  for (std::size_t at; (at = text.find("\r\r\n")) != std::string::npos;) {
    text.erase(at, 3);
  }
  return text;
}

class ScheduleEditorWindowTest : public ::testing::Test {
 protected:
  ScheduleEditorWindowTest() {
    std::filesystem::create_directory("data");
    window = std::make_unique<ScheduleEditorWindow>(settings, clock, help);
  }

  template <typename T>
  T* Find(const char* name) {
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  static void Key(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
  }

  static void LetGo(QSlider* slider) {
    const QPointF at(slider->width() / 2.0, slider->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, at, slider->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);
  }

  // The longest line the pane makes of a paragraph too long for any width.
  int WrapColumns() {
    window->SetText(std::string(300, 'x'));
    const std::vector<std::string> lines = WrappedLines(window->Text(true));
    EXPECT_GT(lines.size(), 1u);
    return static_cast<int>(lines.front().size());
  }

  double ColumnPixels() {
    return QFontMetricsF(Find<QPlainTextEdit>("text")->font()).horizontalAdvance(QLatin1Char('M'));
  }

  int argc = 1;
  char name[29] = "schedule_editor_window_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop clock{testing::LocalMoment(2024, 5, 1, 12, 0, 0)};
  StationSettings settings;
  ScriptHelp help;
  std::unique_ptr<ScheduleEditorWindow> window;
};

TEST_F(ScheduleEditorWindowTest, TextKeepsTheLinesAsTheRulerShowsThem) {
  window->show();
  window->SetMargins(0, 0);

  // The ruler's 80 columns fit; the 81st goes on a line of its own.
  const std::string full(ScheduleEditorWindow::kRulerColumns, 'x');
  window->SetText(full + "\r\nend");
  EXPECT_EQ(window->Text(true), full + "\r\nend");
  window->SetText(full + "y\r\nend");
  EXPECT_EQ(window->Text(true), full + "\r\r\ny\r\nend");
  EXPECT_EQ(window->Text(false), full + "y\r\nend");

  // Words break at blanks: every piece fills most of the width, the blank
  // stays with the line it ends, and the paragraph still ends in CR LF.
  std::string paragraph;
  while (paragraph.size() < 250) {
    paragraph += "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 ";
  }
  const std::string text = paragraph + "\r\n" + "SECOND PARAGRAPH\r\n";
  window->SetText(text);
  const std::string wrapped = window->Text(true);
  const std::vector<std::string> lines = WrappedLines(wrapped);
  ASSERT_GE(lines.size(), 4u);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 81u) << lines[i];  // a trailing blank may hang over
    EXPECT_GT(lines[i].size(), 60u) << lines[i];
    EXPECT_EQ(lines[i].back(), ' ') << lines[i];
  }
  EXPECT_EQ(WithoutSoftBreaks(wrapped), text);
  EXPECT_EQ(window->Text(false), text);

  // Line ends of other systems, and soft breaks saved before, are
  // paragraph ends in the pane.
  window->SetText("a\r\r\nb\nc\rd");
  EXPECT_EQ(window->Text(false), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(window->Text(true), "a\r\nb\r\nc\r\nd");
  // Latin-1 bytes come back as they went in.
  window->SetText("\xC4\xD6\xDC \xA0\xFF");
  EXPECT_EQ(window->Text(false), "\xC4\xD6\xDC \xA0\xFF");
}

TEST_F(ScheduleEditorWindowTest, TheSliderChoosesTheWidthWhileEditing) {
  window->show();
  auto* edit = Find<QCheckBox>("edit");
  auto* slider = Find<QSlider>("slider");
  auto* apply = Find<QPushButton>("applyWidth");
  auto* pane = Find<QPlainTextEdit>("text");
  ASSERT_TRUE(edit && slider && apply && pane);
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 500);

  window->SetMargins(0, 0);
  EXPECT_EQ(WrapColumns(), ScheduleEditorWindow::kRulerColumns);

  edit->click();
  EXPECT_FALSE(pane->isReadOnly());
  EXPECT_EQ(slider->value(), 425);
  const int editing = WrapColumns();
  EXPECT_LT(editing, ScheduleEditorWindow::kRulerColumns);

  // "R" makes the right margin 500 - 200 pixels: 225 more than before.
  slider->setValue(200);
  apply->click();
  const int narrow = WrapColumns();
  EXPECT_NEAR(editing - narrow, 225 / ColumnPixels(), 1.0);

  // Letting go of the slider does the same, by mouse or by key.
  slider->setValue(350);
  LetGo(slider);
  EXPECT_NEAR(WrapColumns() - narrow, 150 / ColumnPixels(), 1.0);
  slider->setFocus();
  Key(slider, Qt::Key_Home);
  EXPECT_EQ(slider->value(), 0);
  EXPECT_LT(WrapColumns(), narrow);

  // Not editing, the slider is only moved.
  edit->click();
  EXPECT_TRUE(pane->isReadOnly());
  EXPECT_EQ(WrapColumns(), ScheduleEditorWindow::kRulerColumns);
  slider->setValue(100);
  LetGo(slider);
  EXPECT_EQ(WrapColumns(), ScheduleEditorWindow::kRulerColumns);

  // The narrowest width still wraps, one column a line.
  edit->click();
  window->SetMargins(0, 5000);
  window->SetText("abc");
  EXPECT_EQ(window->Text(true), "a\r\r\nb\r\r\nc");
}

TEST_F(ScheduleEditorWindowTest, ShowingLoadsTheListAndClosingOnlyHides) {
  WriteFile("data/news.txt", std::string(1000, 'N'));
  WriteFile("data/weather.txt", "RAIN\r\n");
  WriteFile("data/schedule.lst", "news.txt\nweather.txt\n");
  auto* list = Find<QListWidget>("scheduleList");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 0);

  window->show();
  ASSERT_EQ(list->count(), 2);
  EXPECT_TRUE(list->item(0)->text().contains("news.txt"));
  EXPECT_TRUE(list->item(1)->text().contains("weather.txt"));
  EXPECT_EQ(Find<QLineEdit>("filter")->text(), "*.txt");
  EXPECT_EQ(Find<QSlider>("slider")->value(), 425);

  // Cancel drops the deletion: the list is read again as the window goes.
  list->setCurrentRow(0);
  Find<QPushButton>("delete")->click();
  ASSERT_EQ(list->count(), 1);
  Find<QPushButton>("cancel")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(ReadFile("data/schedule.lst"), "news.txt\nweather.txt\n");

  // The title bar's close is a Cancel too.
  window->show();
  list->setCurrentRow(1);
  Find<QPushButton>("delete")->click();
  ASSERT_EQ(list->count(), 1);
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(list->count(), 2);

  // Save-n-Exit keeps it.
  window->show();
  EXPECT_TRUE(window->isVisible());
  list->setCurrentRow(0);
  Find<QPushButton>("delete")->click();
  Find<QPushButton>("saveAndExit")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(ReadFile("data/schedule.lst"), "weather.txt\n");
  window->show();
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->text().contains("weather.txt"));
}

TEST_F(ScheduleEditorWindowTest, EnterShowsAFileAndEscapeKeepsTheWindow) {
  WriteFile("data/news.txt", "HELLO\r\nWORLD\r\n");
  WriteFile("data/weather.txt", "RAIN\r\n");
  WriteFile("data/schedule.lst", "news.txt\n");
  window->show();
  auto* fileName = Find<QLineEdit>("fileName");
  auto* chooser = Find<QComboBox>("chooser");
  auto* date = Find<QLineEdit>("date");
  auto* pane = Find<QPlainTextEdit>("text");
  auto* list = Find<QListWidget>("scheduleList");
  ASSERT_TRUE(fileName && chooser && date && pane && list);

  fileName->setText("news.txt");
  Key(fileName, Qt::Key_Return);
  EXPECT_EQ(window->Text(false), "HELLO\r\nWORLD\r\n");
  EXPECT_EQ(Find<QLineEdit>("duration")->text(), "   0:02");
  fileName->setText("missing.txt");
  Key(fileName, Qt::Key_Enter);
  EXPECT_EQ(window->Text(false), "[PrintFile :Cannot open data/missing.txt input file.]");

  // Elsewhere Enter shows the chooser's file, even on a button: no button
  // is pressed by it.
  chooser->setEditText("weather.txt");
  Key(date, Qt::Key_Return);
  EXPECT_EQ(window->Text(false), "RAIN\r\n");
  EXPECT_EQ(fileName->text(), "weather.txt");
  window->SetText("");
  Key(Find<QPushButton>("delete"), Qt::Key_Return);
  EXPECT_EQ(window->Text(false), "RAIN\r\n");
  EXPECT_EQ(list->count(), 1);
  chooser->setEditText("news.txt");
  Key(chooser->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(fileName->text(), "news.txt");

  // In the pane, while editing, Enter is a new line.
  Find<QCheckBox>("edit")->click();
  pane->moveCursor(QTextCursor::End);
  Key(pane, Qt::Key_Return);
  EXPECT_EQ(window->Text(false), "HELLO\r\nWORLD\r\n\r\n");
  EXPECT_EQ(fileName->text(), "news.txt");

  // A double-click on a line takes its name and shows its file.
  Find<QCheckBox>("edit")->click();
  chooser->setEditText("");
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(chooser->currentText(), "news.txt");
  EXPECT_EQ(window->Text(false), "HELLO\r\nWORLD\r\n");

  for (QWidget* widget : {static_cast<QWidget*>(list), static_cast<QWidget*>(pane),
                          static_cast<QWidget*>(date), static_cast<QWidget*>(window.get())}) {
    Key(widget, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << widget->objectName().toStdString();
  }
}

TEST_F(ScheduleEditorWindowTest, TheChooserIsFilledAsItOpens) {
  WriteFile("data/news.txt", "HELLO\r\n");
  window->show();
  auto* chooser = Find<QComboBox>("chooser");
  auto* date = Find<QLineEdit>("date");
  ASSERT_TRUE(chooser && date);
  const int shown = chooser->count();
  EXPECT_EQ(chooser->findText("weather.txt"), -1);

  // Down opens the list, made afresh; what was typed stays.
  WriteFile("data/weather.txt", "RAIN\r\n");
  chooser->setEditText("typed");
  Key(date, Qt::Key_Down);
  EXPECT_TRUE(chooser->view()->isVisible());
  EXPECT_EQ(chooser->count(), shown + 1);
  EXPECT_EQ(chooser->itemText(1), "weather.txt");
  EXPECT_EQ(chooser->currentText(), "typed");
  chooser->hidePopup();

  // The list alone leaves the typed text as it is.
  window->SetChosen("kept");
  window->SetChoices({"a.txt", "b.txt"});
  EXPECT_EQ(window->Chosen(), "kept");
  EXPECT_EQ(chooser->count(), 2);
  window->SetChoices({"news.txt", "weather.txt"});

  // Picking a name shows its file.
  chooser->setCurrentIndex(1);
  emit chooser->activated(1);
  EXPECT_EQ(window->Text(false), "RAIN\r\n");
  EXPECT_EQ(Find<QLineEdit>("fileName")->text(), "weather.txt");
}

}  // namespace
}  // namespace kestrix
