#include "station/app/window_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/event_log.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::FakeStationWindow;
using testing::LocalMoment;
using testing::SimulatedEventLoop;
using testing::TempWorkingDirectory;

class WindowClockTest : public ::testing::Test {
 protected:
  WindowClockTest() { std::filesystem::create_directory("log"); }

  WallClock::duration Elapsed() const { return loop.Now() - start; }

  TempWorkingDirectory dir;
  const WallClock::time_point start = LocalMoment(2026, 3, 7, 9, 5, 7);
  SimulatedEventLoop loop{start};
  FakeStationWindow window;
  EventLog log{loop, window.eventList, window.messageBox};
  std::vector<int> exitStatuses;
  WindowClock clock{loop, log, [this](int status) { exitStatuses.push_back(status); }};
};

TEST_F(WindowClockTest, WaitClockTicksReturnsAtTheNextTickAndNotForCountsBelowOne) {
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(300ms);
  clock.WaitClockTicks(1);
  EXPECT_EQ(Elapsed(), 1s);

  clock.Ticks().timerTick = 7;
  clock.WaitClockTicks(0);
  clock.WaitClockTicks(-2);
  EXPECT_EQ(Elapsed(), 1s);
  EXPECT_EQ(clock.Ticks().timerTick, 7);

  clock.WaitClockTicks(3);
  EXPECT_EQ(Elapsed(), 4s);
  EXPECT_EQ(clock.Ticks().timerTick, 3);
}

TEST_F(WindowClockTest, EventsThatFallDueInsideAWaitAreHandledBeforeItReturns) {
  std::vector<WallClock::duration> ticks;
  clock.SetClockTickWork([&] { ticks.push_back(Elapsed()); });
  WallClock::duration pressedAt{};
  loop.PostAt(start + 2500ms, [&] { pressedAt = Elapsed(); });
  clock.OnTimer(WindowClock::kStartClock);

  clock.WaitClockTicks(5);

  EXPECT_EQ(pressedAt, 2500ms);
  EXPECT_EQ(ticks, (std::vector<WallClock::duration>{1s, 2s, 3s, 4s, 5s}));
}

TEST_F(WindowClockTest, TheMorseTickRunsInsideAClockWaitAndTheClockInsideAMorseWait) {
  clock.SetMorseTickPeriod(6ms);
  clock.OnTimer(WindowClock::kStartClock);
  clock.OnTimer(WindowClock::kStartMorse);
  clock.WaitClockTicks(1);
  EXPECT_EQ(clock.Ticks().morseTick, 1000 / 6);

  int clockWork = 0;
  clock.SetClockTickWork([&] { ++clockWork; });
  clock.WaitMorseTicks(500);  // Morse ticks fall at 1002 ms, 1008 ms, ...
  EXPECT_EQ(Elapsed(), 1002ms + 499 * 6ms);
  EXPECT_EQ(clockWork, 2);  // the ticks at 2 s and 3 s

  clock.OnTimer(WindowClock::kStopMorse);
  EXPECT_FALSE(loop.IsTimerRunning(WindowClock::kMorseTimer));
}

// A transmission runs inside the tick handler and waits there: the next
// ticks must run the tick work again, nested, or the wait never ends.
TEST_F(WindowClockTest, ATickHandlerThatWaitsGetsNestedTicks) {
  std::vector<WallClock::duration> ticks;
  bool transmitted = false;
  clock.SetClockTickWork([&] {
    ticks.push_back(Elapsed());
    if (!transmitted) {
      transmitted = true;
      clock.WaitClockTicks(3);
    }
  });
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(5s);

  EXPECT_EQ(ticks, (std::vector<WallClock::duration>{1s, 2s, 3s, 4s, 5s}));
  EXPECT_EQ(loop.MaxTimerNesting(), 2);
}

TEST_F(WindowClockTest, StoppingTheClockDropsATickThatIsAlreadyDue) {
  int work = 0;
  clock.SetClockTickWork([&] { ++work; });
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(2s);
  ASSERT_EQ(work, 2);

  // Due at the same moment as the third tick, and handled first.
  loop.PostAt(start + 3s, [&] { clock.OnTimer(WindowClock::kStopClock); });
  loop.RunFor(10s);
  EXPECT_EQ(work, 2);

  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(1s);
  EXPECT_EQ(work, 3);
}

TEST_F(WindowClockTest, UnknownCodesDoNothingAndAMorseTickCountsEvenWhileStopped) {
  clock.OnTimer(9);
  clock.OnTimer(1);
  clock.OnTimer(-1);
  EXPECT_FALSE(loop.IsTimerRunning(WindowClock::kClockTimer));
  EXPECT_EQ(clock.Ticks().timerTick, 0);
  EXPECT_EQ(clock.Ticks().morseTick, 0);

  clock.OnTimer(WindowClock::kMorseTimer);
  EXPECT_EQ(clock.Ticks().morseTick, 1);
  EXPECT_FALSE(loop.IsTimerRunning(WindowClock::kMorseTimer));
}

TEST_F(WindowClockTest, ARefusedTimerLogsTheFatalLineAndEndsWithStatusZero) {
  loop.RefuseTimers(true);
  clock.OnTimer(WindowClock::kStartClock);
  clock.OnTimer(WindowClock::kStartMorse);

  EXPECT_EQ(exitStatuses, (std::vector<int>{0, 0}));
  ASSERT_EQ(window.eventList.lines.size(), 2u);
  EXPECT_EQ(window.eventList.lines[0],
            "09:05:07 > OnTimer : Out of Timers - Fatal Abort - Exiting");
}

// A chat thread waits on the counter that the window thread's timer
// advances; its pump has nothing to dispatch.
TEST_F(WindowClockTest, AWaitOnAnotherThreadReturnsAfterTheWindowThreadsTicks) {
  clock.OnTimer(WindowClock::kStartClock);
  std::atomic<bool> done{false};
  std::thread chat([&] {
    clock.WaitClockTicks(2);
    done = true;
    loop.Post([] {});
  });
  while (!done) {
    loop.RunFor(1s);
  }
  chat.join();
  EXPECT_GE(clock.Ticks().timerTick, 2);
}

}  // namespace
}  // namespace kestrix
