#include "station/app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

#include "station/app/qt_event_loop.h"
#include "station/encoding/posix_serial_line.h"
#include "tests/support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

TEST(MainWindow, StartsShowsItsLogLinesAndTicks) {
  int argc = 1;
  char name[] = "main_window_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  testing::TempWorkingDirectory dir;
  QtEventLoop loop;
  PosixSerialLine serialLine;
  NullPsk31Modem modem;
  NullSoundKeyerFactory soundKeyers;
  QtLauncher launcher;
  CKestrixDlg window(loop, {serialLine, modem, soundKeyers, launcher},
                     [](int) { FAIL() << "timer refused"; });
  window.show();
  window.GetStation().Start();

  auto* events = window.findChild<QListWidget*>("eventList");
  auto* clock = window.findChild<QLineEdit*>("clock");
  ASSERT_NE(events, nullptr);
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(events->property("controlId").toInt(), 1121);
  ASSERT_GE(events->count(), 2);
  EXPECT_TRUE(events->item(0)->text().endsWith(" > ***** RTTY Application has been STARTED *****"));
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

  window.close();
  EXPECT_TRUE(events->item(events->count() - 1)
                  ->text()
                  .endsWith(" > ***** RTTY Application has been TERMINATED *****"));
}

}  // namespace
}  // namespace kestrix
