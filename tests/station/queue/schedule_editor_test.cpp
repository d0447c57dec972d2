// The schedule editor's logic on a recording view, on the simulated clock.

#include "station/queue/schedule_editor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/time_tag.h"
#include "station/config/station_mode.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_schedule_view.h"

namespace kestrix {
namespace {

class ScheduleEditorTest : public ::testing::Test {
 protected:
  ScheduleEditorTest() {
    std::filesystem::create_directory("data");
    settings.MODE = kModeMilitary;
    testing::WriteFile("data/news.txt", std::string(1000, 'N'));
    testing::WriteFile("data/wx.txt", "WX\r\n");
    testing::WriteFile("data/empty.txt", "");
    view.filter = "*.txt";
  }
  std::string In(int minutes) const {
    const std::tm tm = LocalTime(ToTimeTag(loop.Now()) + minutes * 60);
    char text[80];
    std::snprintf(text, sizeof text, "%02d/%02d/%4d\t%02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 0, 0)};
  StationSettings settings;
  ScriptHelp help;
  testing::RecordingScheduleView view;
  ScheduleEditor editor{settings, loop, help, view};
};

TEST_F(ScheduleEditorTest, TheListShowsEveryKindOfEntryAndSavesItBackUnchanged) {
  testing::WriteFile("data/schedule.lst", "news.txt\nwx.txt\n$B50\nmissing.txt\n" + In(60) +
                                              "\twx.txt\n" + In(90) + "\tempty.txt\n");
  editor.OnShowOrHide();
  ASSERT_EQ(view.lines.size(), 6u);
  const std::string blanks(22, ' ');
  EXPECT_EQ(view.lines[0], blanks + "news.txt                                   1000      2:45");
  EXPECT_EQ(view.lines[1], blanks + "wx.txt                                        4          ");
  EXPECT_EQ(view.lines[2], blanks + "$B50                                CMD       1          ");
  EXPECT_EQ(view.lines[3], blanks + "missing.txt                         ???       0          ");
  EXPECT_EQ(view.lines[4],
            "12/08/2026  10:00:00t wx.txt                                        4          ");
  EXPECT_EQ(view.lines[5],
            "12/08/2026  10:30:00t empty.txt             ???                     0          ");
  EXPECT_EQ(view.filter, "*.txt");
  EXPECT_EQ(view.slider, ScheduleEditor::kSliderEditing);
  EXPECT_EQ(view.restores, 1);

  ASSERT_TRUE(editor.SaveList("data/again.lst"));
  EXPECT_EQ(testing::ReadFile("data/again.lst"), "news.txt\nwx.txt\n$B50\nmissing.txt\n" + In(60) +
                                                     "\twx.txt\n" + In(90) + "\tempty.txt\n");
}

// A fixed time is saved as it was read, whatever its length: cut to eight
// characters, "0:0:1000000" (eleven days and a half into the date) would
// become a time on the date itself, more than two days past, and the entry
// would be gone at the next load.
TEST_F(ScheduleEditorTest, AFixedTimeOfAnyLengthIsSavedAsItWasRead) {
  testing::WriteFile("data/schedule.lst",
                     "12/01/2026 0:0:1000000 news.txt\n" + In(60) + "\twx.txt\n");
  editor.Load("data/schedule.lst");
  ASSERT_EQ(view.lines.size(), 2u);
  ASSERT_TRUE(editor.SaveList("data/again.lst"));
  EXPECT_EQ(testing::ReadFile("data/again.lst"),
            "12/01/2026\t0:0:1000000\tnews.txt\n" + In(60) + "\twx.txt\n");
  editor.Load("data/again.lst");
  EXPECT_EQ(view.lines.size(), 2u);
}

// Three untimed lines at 45.45 baud: 10 s from now, then 165 s for the
// 1000 bytes of the first, 0.66 s for the four of the second.
TEST_F(ScheduleEditorTest, AutoTimeShowsComputedStartsThatAreSavedAsBareNames) {
  testing::WriteFile("data/schedule.lst", "news.txt\nwx.txt\nnews.txt\n");
  view.autoTime = true;
  editor.OnShowOrHide();
  ASSERT_EQ(view.lines.size(), 3u);
  EXPECT_TRUE(view.lines[0].starts_with("12/08/2026  09:00:10  news.txt ")) << view.lines[0];
  EXPECT_TRUE(view.lines[1].starts_with("12/08/2026  09:02:55  wx.txt ")) << view.lines[1];
  EXPECT_TRUE(view.lines[2].starts_with("12/08/2026  09:02:55  news.txt ")) << view.lines[2];
  ASSERT_TRUE(editor.SaveList("data/again.lst"));
  EXPECT_EQ(testing::ReadFile("data/again.lst"), "news.txt\nwx.txt\nnews.txt\n");
}

TEST_F(ScheduleEditorTest, EntriesTwoDaysOldAreDroppedAndAnFCommandSetsThePskCarrier) {
  testing::WriteFile("data/schedule.lst", "$F17\n" + In(-3 * 24 * 60) + "\twx.txt\nnews.txt\n" +
                                              In(-24 * 60) + "\twx.txt\n");
  editor.OnShowOrHide();
  EXPECT_EQ(settings.pskFrequency.load(), 1700.0f);
  // The untimed line after the stale tag goes with it; a day-old one stays.
  ASSERT_EQ(view.lines.size(), 2u);
  EXPECT_NE(view.lines[0].find("$F17"), std::string::npos);
  EXPECT_NE(view.lines[1].find("wx.txt"), std::string::npos);
  editor.Save();
  EXPECT_EQ(testing::ReadFile("data/schedule.lst"), "$F17\n" + In(-24 * 60) + "\twx.txt\n");
}

TEST_F(ScheduleEditorTest, InsertReplaceAndDeleteGoThroughTheWorkFile) {
  // The first entry of an empty schedule goes to the top.
  view.chosen = "wx.txt";
  view.date = "12/24/2026";
  view.time = "18:00:00";
  editor.Insert();
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_TRUE(view.lines[0].starts_with("12/24/2026  18:00:00t wx.txt")) << view.lines[0];
  EXPECT_EQ(testing::ReadFile("data/schedule.tmp"), "12/24/2026\t18:00:00\twx.txt\n");
  EXPECT_EQ(view.chosen, "");

  // Auto Time: from the typed time, as a computed (bare-name) entry.
  view.autoTime = true;
  view.chosen = "news.txt";
  view.date = "12/24/2026";
  view.time = "17:00:00";
  view.selected = 0;
  editor.Insert();
  EXPECT_EQ(testing::ReadFile("data/schedule.tmp"), "news.txt\n12/24/2026\t18:00:00\twx.txt\n");

  view.autoTime = false;
  view.selected = 1;
  view.chosen = "empty.txt";
  view.date = "12/25/2026";
  view.time = "06:00:00";
  editor.Replace();
  EXPECT_EQ(testing::ReadFile("data/schedule.tmp"), "news.txt\n12/25/2026\t06:00:00\tempty.txt\n");

  // A deletion is kept in the work file too.
  view.selected = 0;
  editor.Delete();
  EXPECT_EQ(testing::ReadFile("data/schedule.tmp"), "12/25/2026\t06:00:00\tempty.txt\n");
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists("data/schedule.lst"));  // not before Save
  editor.SaveAndExit();
  EXPECT_EQ(testing::ReadFile("data/schedule.lst"), "12/25/2026\t06:00:00\tempty.txt\n");
  EXPECT_EQ(view.hides, 1);
  EXPECT_TRUE(editor.ReloadPending());
}

TEST_F(ScheduleEditorTest, AFileShowsWithItsDurationAndItsTextIsSavedAsWrapped) {
  EXPECT_TRUE(editor.ShowFile("news.txt"));
  EXPECT_EQ(view.duration, "   3:01");  // 1000 / 5.50055 = 181.8 s
  EXPECT_EQ(view.text, std::string(1000, 'N'));
  EXPECT_EQ(view.fileName, "news.txt");
  EXPECT_FALSE(editor.ShowFile("nothere.txt"));
  EXPECT_EQ(view.text, "[PrintFile :Cannot open data/nothere.txt input file.]");

  view.edit = true;
  editor.EditClicked();
  EXPECT_TRUE(view.editable);
  EXPECT_EQ(view.margins, std::make_pair(0, 75));
  view.slider = 300;
  editor.ApplySliderWidth();
  EXPECT_EQ(view.margins, std::make_pair(0, 200));
  view.fileName = "new.txt";
  view.wrapped = "A LONG\r\r\nLINE\r\n";
  editor.SaveText();
  EXPECT_EQ(testing::ReadFile("data/new.txt"), "A LONG\r\r\nLINE\r\n");
  EXPECT_NE(std::find(view.choices.begin(), view.choices.end(), "new.txt"), view.choices.end());

  editor.ClearText();
  EXPECT_EQ(view.text, "");
  EXPECT_FALSE(view.edit);
  EXPECT_EQ(view.slider, ScheduleEditor::kSliderFull);
}

TEST_F(ScheduleEditorTest, TheChooserListsTheFilterNewestFirstAndTheScriptCommands) {
  testing::WriteFile("data/zz.txt", "Z");
  std::filesystem::last_write_time(
      "data/news.txt", std::filesystem::file_time_type::clock::now() - std::chrono::hours(5));
  editor.FillChooser();
  ASSERT_GE(view.choices.size(), 4u + ScheduleEditor::kChooserHelpLines);
  EXPECT_EQ(view.choices[0], "empty.txt");
  EXPECT_EQ(view.choices[ScheduleEditor::kChooserHelpLines + 3], help.Line(35));
  view.sortByDate = true;
  editor.FillChooser();
  EXPECT_EQ(view.choices[3], "news.txt");  // the oldest last
  view.filter = "*.doc";
  editor.FillChooser();
  EXPECT_EQ(view.chosen, ScheduleEditor::kNoFiles);
  EXPECT_EQ(view.choices.size(), static_cast<std::size_t>(ScheduleEditor::kChooserHelpLines));
  view.filter = "*.txt";
  editor.FillChooser();
  EXPECT_EQ(view.chosen, "");  // not left saying there are none
}

}  // namespace
}  // namespace kestrix
