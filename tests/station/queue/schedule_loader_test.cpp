#include "station/queue/schedule_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "common/time_tag.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::FakeStationWindow;
using testing::LocalMoment;
using testing::ReadFile;
using testing::SimulatedEventLoop;
using testing::TempWorkingDirectory;
using testing::WriteFile;
using Texts = std::vector<std::string>;

class ScheduleLoaderTest : public ::testing::Test {
 protected:
  ScheduleLoaderTest() {
    std::filesystem::create_directory("log");
    std::filesystem::create_directory("data");
    WriteFile("data/a.txt", std::string(1000, 'a'));
    WriteFile("data/b.txt", std::string(2000, 'b'));
  }

  void Load(const std::string& content) {
    WriteFile("data/schedule.lst", content);
    loader.GetSchedule("data/schedule.lst");
  }
  // A queue line `seconds` after the moment of the load.
  std::string At(int seconds, const std::string& name) const {
    return FormatQueueLine(ToTimeTag(loop.Now()) + seconds, name);
  }
  std::string Logged(const std::string& text) const { return "09:05:07 > " + text; }

  TempWorkingDirectory dir;
  SimulatedEventLoop loop{LocalMoment(2026, 3, 7, 9, 5, 7)};
  FakeStationWindow window;
  StationSettings settings;
  EventLog log{loop, window.eventList, window.messageBox};
  SendQueue queue;
  ScheduleLoader loader{settings, loop, log, queue};
};

TEST_F(ScheduleLoaderTest, BareNamesFollowOneAnotherAtTheLengthOfTheFileBefore) {
  // Military at 45.45 baud: 7.5 / 45.45 s a character.
  Load("a.txt\nb.txt\nc.txt\nd.txt\n");

  // c.txt is missing and counts as one byte, so d.txt starts with it.
  EXPECT_EQ(queue.Texts(),
            (Texts{At(10, "a.txt"), At(175, "b.txt"), At(505, "c.txt"), At(505, "d.txt")}));
  EXPECT_TRUE(window.eventList.lines.empty());
}

TEST_F(ScheduleLoaderTest, TheCharacterTimeFollowsTheModeAndTheBaudCommands) {
  settings.MODE = kModeAscii;
  Load("$B110\na.txt\nb.txt\n");
  // The command is a name like any other and is queued too.
  EXPECT_EQ(queue.Texts(), (Texts{At(10, "$B110"), At(10, "a.txt"), At(100, "b.txt")}));
  EXPECT_FLOAT_EQ(loader.BaudEstimate(), 110.0f);

  queue.Clear();
  settings.MODE = kModePsk31;
  Load("$B300\na.txt\nb.txt\n");
  EXPECT_EQ(queue.Texts(), (Texts{At(10, "$B300"), At(10, "a.txt"), At(260, "b.txt")}));

  // A command takes effect before its own line's start is worked out.
  queue.Clear();
  settings.MODE = kModeMilitary;
  Load("a.txt\n$B50\n");
  EXPECT_EQ(queue.Texts(), (Texts{At(10, "a.txt"), At(160, "$B50")}));
}

TEST_F(ScheduleLoaderTest, BaudCommandsMatchByPrefixInAnyCase) {
  const struct {
    const char* line;
    float baud;
  } cases[] = {
      {"$B56000", 56000.0f}, {"$b56k", 56.9f},
      {"$B45.45", 45.45f},   {"$B50", 50.0f},
      {"$B74", 74.4f},       {"$B100", 100.0f},
      {"$B110", 110.0f},     {"$B150", 150.0f},
      {"$B300", 300.0f},     {"$B600", 600.0f},
      {"$B1200", 1200.0f},   {"$B2400", 2400.0f},
      {"$B9600", 9600.0f},   {"$B19200", 19200.0f},
      {"$B33600", 33600.0f}, {"3/7/2026 10:00:00 $b300 via mail", 300.0f},
      {"$B12", 300.0f},     // no command: the estimate stays
      {"x $B600", 300.0f},  // two tokens: ignored
  };
  for (const auto& c : cases) {
    Load(std::string(c.line) + "\n");
    EXPECT_FLOAT_EQ(loader.BaudEstimate(), c.baud) << c.line;
  }
}

TEST_F(ScheduleLoaderTest, TimedLinesSetTheChainAndPastOnesAreReportedAndDropped) {
  Load(
      "3/7/2026 9:05:02 old.txt\n"
      "a.txt\n"
      "13/45/x 1:2:3 a.txt\n"
      "3/7/2026 10:00:00 a.txt\n"
      "b.txt\n"
      "3/7/2026\t11:00:00\tmissing.txt  for W1AW\n"
      "a.txt\n");

  // missing.txt leaves b.txt's size to time the a.txt after it.
  EXPECT_EQ(queue.Texts(),
            (Texts{"3/7/2026 10:00:00 a.txt", "03/07/2026 10:02:45 b.txt",
                   "3/7/2026 11:00:00 missing.txt  for W1AW", "03/07/2026 11:05:30 a.txt"}));
  EXPECT_EQ(window.eventList.lines,
            (Texts{Logged("GetSchedule : Expired time tag 3/7/2026 9:05:02 old.txt"),
                   Logged("GetSchedule : Expired time tag a.txt"),
                   Logged("GetSchedule : Expired time tag 13/45/x 1:2:3 a.txt")}));
}

TEST_F(ScheduleLoaderTest, TagsPastTheCalendarAreExpiredLines) {
  Load(
      "1/1/2147483648 0:0:0 x.txt\n"
      "13/1/2147483647 1:1:1 x.txt\n"
      "a.txt\n");
  EXPECT_EQ(queue.Texts(), (Texts{At(10, "a.txt")}));
  EXPECT_EQ(window.eventList.lines,
            (Texts{Logged("GetSchedule : Expired time tag 1/1/2147483648 0:0:0 x.txt"),
                   Logged("GetSchedule : Expired time tag 13/1/2147483647 1:1:1 x.txt")}));
  // A queue line is written whatever the tag, without overflow.
  EXPECT_EQ(FormatQueueLine(67767976233565261LL, "x.txt"), "01/01/2147483648 01:01:01 x.txt");
}

// A bare name chained past the last second of 9999 would be queued as
// "01/01/10000 ...", which reads as no time at all and so as due at once.
TEST_F(ScheduleLoaderTest, ABareNameChainedPastTheCalendarIsAnExpiredLine) {
  Load(
      "12/31/9999 23:59:00 b.txt\n"
      "a.txt\n");
  EXPECT_EQ(queue.Texts(), (Texts{"12/31/9999 23:59:00 b.txt"}));
  EXPECT_EQ(window.eventList.lines, (Texts{Logged("GetSchedule : Expired time tag a.txt")}));
}

TEST_F(ScheduleLoaderTest, LineEndsBlankLinesAndTwoTokenLines) {
  Load(
      "3/7/2026 10:00:00 news.txt 73\r\n"
      "\r\n"
      " \t \n"
      "3/7/2026 10:30:00\n"
      "a.txt\r\n"
      "\tb.txt\n"
      "3/7/2026\t11:00:00\tc.txt");

  EXPECT_EQ(queue.Texts(), (Texts{"3/7/2026 10:00:00 news.txt 73", "03/07/2026 10:00:00 a.txt",
                                  "03/07/2026 10:02:45 b.txt", "3/7/2026 11:00:00 c.txt"}));
  EXPECT_TRUE(window.eventList.lines.empty());
}

TEST_F(ScheduleLoaderTest, EachLoadStartsAfreshButKeepsTheBaudEstimate) {
  loader.GetSchedule("data/schedule.lst");
  EXPECT_EQ(window.eventList.lines,
            (Texts{Logged("GetSchedule : Cannot open data/schedule.lst input file.")}));
  EXPECT_TRUE(queue.Empty());

  Load("$B50\na.txt\n");
  queue.Clear();
  loop.RunFor(1min);
  // a.txt was the last file of the first load; it must not delay b.txt.
  Load("b.txt\nc.txt\n");
  EXPECT_EQ(queue.Texts(), (Texts{At(10, "b.txt"), At(310, "c.txt")}));
}

TEST_F(ScheduleLoaderTest, AppendToTempScheduleAddsOneLinePerName) {
  WriteFile("data/schedule_temp.lst", "old.txt\n");
  loader.AppendToTempSchedule("a.txt");
  loader.AppendToTempSchedule("b.txt");
  EXPECT_EQ(ReadFile("data/schedule_temp.lst"), "old.txt\na.txt\nb.txt\n");

  settings.QERVDataPath = "nowhere/";
  loader.AppendToTempSchedule("c.txt");
  EXPECT_EQ(window.eventList.lines,
            (Texts{Logged("Unable to open schedule_temp.lst file for c.txt")}));
}

TEST_F(ScheduleLoaderTest, AppendToTempScheduleKeepsLinesWholeAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 100;
  // Longer than a stdio buffer, so one line takes more than one write.
  const std::string name(10000, 'm');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kPerThread; ++i) {
        loader.AppendToTempSchedule(name);
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }

  std::istringstream in(ReadFile("data/schedule_temp.lst"));
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    ASSERT_EQ(line, name);
  }
  EXPECT_EQ(lines, kThreads * kPerThread);
}

}  // namespace
}  // namespace kestrix
