// What the schedule editor saves is what the station sends after a reload.

#include <gtest/gtest.h>

#include "station/queue/schedule_editor.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/recording_schedule_view.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class StationScheduleEditorTest : public testing::StationTest {};

TEST_F(StationScheduleEditorTest, AScheduleEditedAndSavedIsWhatTheReloadedQueueSends) {
  StartWith("QERVCOMMPORT=\"COM1\"\n");
  testing::WriteFile("data/wx.txt", "WX\r\n");
  testing::WriteFile("data/news.txt", "NEWS\r\n");
  testing::RecordingScheduleView view;
  view.filter = "*.txt";
  ScheduleEditor editor(settings, loop, station.QueuePart().Help(), view);
  editor.OnShowOrHide();
  // A timed entry in a minute, then an untimed one before it.
  view.chosen = "wx.txt";
  view.date = "03/07/2026";
  view.time = "09:06:30";
  editor.Insert();
  view.chosen = "news.txt";
  view.date.clear();
  view.time.clear();
  view.selected = 0;
  editor.Insert();
  ASSERT_EQ(view.lines.size(), 2u);
  editor.SaveAndExit();

  station.QueuePart().Commands().OnReload();
  ASSERT_EQ(station.QueuePart().Queue().Count(), 2);
  EXPECT_NE(station.QueuePart().Queue().Text(0).find("news.txt"), std::string::npos);
  EXPECT_EQ(station.QueuePart().Queue().Text(1), "03/07/2026 09:06:30 wx.txt");
  station.QueuePart().Cycle().CmEnable();
  loop.RunFor(3min);
  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
  EXPECT_TRUE(Logged("Completed sending <wx.txt>."));
}

}  // namespace
}  // namespace kestrix
