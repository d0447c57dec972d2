// The mail loader's log: the day's file and the list.

#include "mailer/mail_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(MailLogTest, LinesGoToTheDaysFileAndTheListCutAtTheirFirstLineEnd) {
  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 5, 7)};
  testing::RecordingStatusList list;
  MailLog log(loop, list);
  EXPECT_EQ(log.AddLogLine("250 OK\r\nsecond line"), "250 OK");
  log.AddLogLine("");
  log.AddLogLine(std::string(300, 'x'));
  EXPECT_EQ(log.LastFileName(), "20261208.log");
  const std::string longLine = "09:05:07 > " + std::string(244, 'x');
  EXPECT_EQ(FileText("20261208.log"), "09:05:07 > 250 OK\n" + longLine + "\n");
  EXPECT_EQ(list.lines, (std::vector<std::string>{"09:05:07 > 250 OK", "Null Received", longLine}));
}

TEST(MailLogTest, AnUnwritableDirectoryIsToldInTheList) {
  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 5, 7)};
  testing::RecordingStatusList list;
  MailLog log(loop, list);
  std::filesystem::create_directory("20261208.log");  // the file's name is taken
  log.AddLogLine("Connected");
  EXPECT_EQ(list.lines,
            (std::vector<std::string>{"Cannot open LOG file,check for LOG directory."}));
}

}  // namespace
}  // namespace kestrix
