#include "common/event_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::LocalMoment;
using testing::ReadFile;
using testing::SimulatedEventLoop;
using testing::TempWorkingDirectory;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

class EventLogTest : public ::testing::Test {
 protected:
  EventLogTest() { std::filesystem::create_directory("log"); }

  TempWorkingDirectory dir;
  SimulatedEventLoop loop{LocalMoment(2026, 3, 7, 9, 5, 7)};
  // The two controls of a window the log uses.
  struct {
    testing::RecordingStatusList eventList;
    testing::RecordingMessageBox messageBox;
  } window;
  EventLog log{loop, window.eventList, window.messageBox};
};

TEST_F(EventLogTest, WritesTheLineToTheListAndToTheFileOfTheDay) {
  EXPECT_EQ(log.LogEvent("CmTX : Transmitter ON"), 0);

  EXPECT_EQ(window.eventList.lines, (std::vector<std::string>{"09:05:07 > CmTX : Transmitter ON"}));
  EXPECT_EQ(window.eventList.selected, 0);
  EXPECT_EQ(ReadFile("log/20260307.log"), "09:05:07 > CmTX : Transmitter ON\n");
}

TEST_F(EventLogTest, AFileBeginsWithTheFirstLineAfterMidnight) {
  loop.RunUntil(LocalMoment(2026, 12, 31, 23, 59, 59));
  log.LogEvent("last");
  loop.RunFor(1s);
  log.LogEvent("first");

  EXPECT_EQ(ReadFile("log/20261231.log"), "23:59:59 > last\n");
  EXPECT_EQ(ReadFile("log/20270101.log"), "00:00:00 > first\n");
}

TEST_F(EventLogTest, OnlyTheFirstLineOfAtMost1012CharactersIsLogged) {
  log.LogEvent("OnManagequeueSendnextfile: Moving \"news.txt\r\n to front of stack");
  log.LogEvent("\nafter a leading line feed");
  log.LogEvent("a\rb\nc");
  log.LogEvent(std::string(2000, 'x'));

  ASSERT_EQ(window.eventList.lines.size(), 4u);
  EXPECT_EQ(window.eventList.lines[0], "09:05:07 > OnManagequeueSendnextfile: Moving \"news.txt");
  EXPECT_EQ(window.eventList.lines[1], "09:05:07 > ");
  EXPECT_EQ(window.eventList.lines[2], "09:05:07 > a");
  EXPECT_EQ(window.eventList.lines[3], "09:05:07 > " + std::string(1012, 'x'));
  EXPECT_EQ(window.eventList.lines[3].size(), 1023u);
}

TEST_F(EventLogTest, TheListKeepsTheNewest500LinesAndTheFileKeepsAll) {
  for (int i = 1; i <= 501; ++i) {
    log.LogEvent("line " + std::to_string(i));
  }
  ASSERT_EQ(window.eventList.lines.size(), 500u);
  EXPECT_EQ(window.eventList.lines.front(), "09:05:07 > line 2");
  EXPECT_EQ(window.eventList.lines.back(), "09:05:07 > line 501");
  EXPECT_EQ(window.eventList.selected, 499);
  EXPECT_EQ(Lines(ReadFile("log/20260307.log")).size(), 501u);
}

// An unwritable log/ (a file in its place stops root too) shows the box
// once, not for every line; the lines go on to standard error.
TEST_F(EventLogTest, WithoutAWritableLogTheBoxIsShownOnceAndTheLinesGoToStandardError) {
  std::filesystem::remove("log");
  testing::WriteFile("log", "");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(log.LogEvent("one"), -1);
  EXPECT_EQ(log.LogEvent("two\nrest"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "09:05:07 > one\n09:05:07 > two\n");

  EXPECT_TRUE(window.eventList.lines.empty());
  ASSERT_EQ(window.messageBox.shown.size(), 1u);
  EXPECT_EQ(window.messageBox.shown[0].text, "Cannot open LOG file,check for LOG directory.");
  EXPECT_EQ(window.messageBox.shown[0].caption, "Log Create Error");
  EXPECT_EQ(window.messageBox.shown[0].icon, MessageBoxIcon::kNone);
  EXPECT_EQ(window.messageBox.shown[0].kind, testing::RecordingMessageBox::Kind::kNotice);

  // Once the directory is back, lines flow, the kept ones first; a later
  // failure is told again.
  std::filesystem::remove("log");
  std::filesystem::create_directory("log");
  EXPECT_EQ(log.LogEvent("three"), 0);
  EXPECT_EQ(window.eventList.lines, (std::vector<std::string>{"09:05:07 > three"}));
  EXPECT_EQ(ReadFile("log/20260307.log"), "09:05:07 > one\n09:05:07 > two\n09:05:07 > three\n");
  std::filesystem::remove_all("log");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(log.LogEvent("four"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "09:05:07 > four\n");
  EXPECT_EQ(window.messageBox.shown.size(), 2u);
}

// A full disk (the day's file made /dev/full): each line goes to standard
// error whole, none is left half in the file, and once the disk has room
// the kept lines are written in order, each in its own day's file.
TEST_F(EventLogTest, LinesAFullDiskRefusesAreKeptAndWrittenOnceItHasRoom) {
  std::filesystem::create_symlink("/dev/full", "log/20260307.log");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(log.LogEvent("one"), -1);
  loop.RunUntil(LocalMoment(2026, 3, 7, 23, 59, 59));
  EXPECT_EQ(log.LogEvent("two"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "09:05:07 > one\n23:59:59 > two\n");
  EXPECT_TRUE(window.messageBox.shown.empty());  // it opens; the disk is full
  EXPECT_EQ(window.eventList.lines.size(), 2u);

  std::filesystem::remove("log/20260307.log");
  testing::WriteFile("log/20260307.log", "09:00:00 > before\n");
  loop.RunFor(2s);
  EXPECT_EQ(log.LogEvent("three"), 0);
  EXPECT_EQ(ReadFile("log/20260307.log"), "09:00:00 > before\n09:05:07 > one\n23:59:59 > two\n");
  EXPECT_EQ(ReadFile("log/20260308.log"), "00:00:01 > three\n");
  EXPECT_EQ(log.LogEvent("four"), 0);
  EXPECT_EQ(ReadFile("log/20260308.log"), "00:00:01 > three\n00:00:01 > four\n");
}

// Beyond what is kept, the oldest lines go (they went to standard error at
// the time), and the file says how many.
TEST_F(EventLogTest, WhatIsKeptIsBoundedAndTheFileNotesTheLinesThatWereNot) {
  std::filesystem::create_symlink("/dev/full", "log/20260307.log");
  ::testing::internal::CaptureStderr();
  const std::size_t total = EventLog::kMaxKeptLines + 5;
  for (std::size_t i = 0; i < total; ++i) {
    log.LogEvent("line " + std::to_string(i));
  }
  EXPECT_EQ(Lines(::testing::internal::GetCapturedStderr()).size(), total);
  std::filesystem::remove("log/20260307.log");
  log.LogEvent("back");

  const auto lines = Lines(ReadFile("log/20260307.log"));
  ASSERT_EQ(lines.size(), EventLog::kMaxKeptLines + 2);
  EXPECT_EQ(lines[0],
            "09:05:07 > 5 earlier lines could not be written here; they went to standard error");
  EXPECT_EQ(lines[1], "09:05:07 > line 5");
  EXPECT_EQ(lines.back(), "09:05:07 > back");
}

// Network threads log while the window thread logs too; the window thread
// must keep serving their list updates while it waits for the log.
TEST_F(EventLogTest, ConcurrentCallersKeepWholeLinesInOrderAndLoseNone) {
  constexpr int kThreads = 4;
  constexpr int kLinesEach = 150;
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLinesEach; ++i) {
        log.LogEvent("thread " + std::to_string(t) + " line " + std::to_string(i));
      }
      ++finished;
      loop.Post([] {});
    });
  }
  for (int i = 0; i < kLinesEach; ++i) {
    log.LogEvent("window line " + std::to_string(i));
  }
  while (finished < kThreads) {
    loop.WaitForNextEvent();
  }
  for (auto& thread : threads) {
    thread.join();
  }

  const std::vector<std::string> fileLines = Lines(ReadFile("log/20260307.log"));
  ASSERT_EQ(fileLines.size(), static_cast<std::size_t>((kThreads + 1) * kLinesEach));
  const std::regex whole(R"(09:05:07 > (thread (\d) |window )line (\d+))");
  std::vector<int> next(kThreads + 1, 0);
  for (const std::string& line : fileLines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
    const int source = match[2].matched ? std::stoi(match[2]) : kThreads;
    EXPECT_EQ(std::stoi(match[3]), next[source]++) << line;
  }
  // The list shows the same lines in the same order as the file's last 500.
  ASSERT_EQ(window.eventList.lines.size(), 500u);
  EXPECT_TRUE(std::equal(window.eventList.lines.begin(), window.eventList.lines.end(),
                         fileLines.end() - 500));
}

}  // namespace
}  // namespace kestrix
