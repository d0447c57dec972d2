#include "common/qt_event_loop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <thread>

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class QtEventLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qt_event_loop_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
  }

  // Real time passes here, but nothing is asserted about it: the deadline
  // only turns a hang into a failure.
  template <typename Done>
  void WaitUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      loop.WaitForNextEvent();
    }
    ASSERT_TRUE(done());
  }

  QtEventLoop loop;
};

// Qt does not re-enter a timer whose handler still runs; the station's tick
// handler waits for further ticks of the same timer inside itself.
TEST_F(QtEventLoopTest, ATimerFiresAgainWhileItsHandlerWaits) {
  int calls = 0;
  int innerCalls = 0;
  loop.SetTimerHandler([&](int id) {
    ASSERT_EQ(id, 5);
    ++calls;
    if (calls == 1) {
      WaitUntil([&] { return calls >= 4; });
      innerCalls = calls;
    }
  });
  ASSERT_TRUE(loop.StartTimer(5, 10ms));
  WaitUntil([&] { return innerCalls >= 4; });
  loop.StopTimer(5);
  EXPECT_FALSE(loop.IsTimerRunning(5));
}

TEST_F(QtEventLoopTest, AStoppedTimerDeliversNothingMore) {
  std::atomic<int> calls{0};
  loop.SetTimerHandler([&](int) { ++calls; });
  ASSERT_TRUE(loop.StartTimer(6, 1ms));
  WaitUntil([&] { return calls > 0; });
  loop.StopTimer(6);
  const int seen = calls;
  loop.Post([] {});
  loop.PumpMessages();
  loop.PumpMessages();
  EXPECT_EQ(calls, seen);
}

TEST_F(QtEventLoopTest, CallsFromOtherThreadsRunOnTheWindowThreadDuringAWait) {
  const auto windowThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    EXPECT_TRUE(loop.CallOnWindowThread([&] { ranOn = std::this_thread::get_id(); }));
    done = true;
    loop.Post([] {});  // the window thread waits for events, not for flags
  });
  WaitUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(ranOn, windowThread);

  // A waiter for a wake, woken from another thread.
  std::thread waker([&] { loop.Wake(); });
  loop.WaitForWake();
  waker.join();
}

TEST_F(QtEventLoopTest, AfterShutdownCallersAreRefusedInsteadOfHanging) {
  loop.Shutdown();
  std::atomic<int> result{-1};
  std::thread worker([&] { result = loop.CallOnWindowThread([] {}) ? 1 : 0; });
  worker.join();
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace kestrix
