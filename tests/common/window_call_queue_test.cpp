#include "common/window_call_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kestrix {
namespace {

TEST(WindowCallQueue, ACallFromAnotherThreadRunsOnTheServingThreadAndTheCallerWaits) {
  std::atomic<int> wakes{0};
  WindowCallQueue queue([&] { ++wakes; });
  const auto windowThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    EXPECT_TRUE(queue.CallAndWait([&] { ranOn = std::this_thread::get_id(); }));
    returned = true;
  });
  while (!queue.HasPending()) {
    std::this_thread::yield();
  }
  EXPECT_FALSE(returned);
  EXPECT_EQ(queue.RunPending(), 1);
  caller.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(ranOn, windowThread);
  EXPECT_EQ(wakes, 1);
}

TEST(WindowCallQueue, CloseReleasesAWaitingCallerAndRefusesLaterCalls) {
  WindowCallQueue queue(nullptr);
  std::atomic<int> result{-1};
  bool ran = false;
  std::thread caller([&] { result = queue.CallAndWait([&] { ran = true; }) ? 1 : 0; });
  while (!queue.HasPending()) {
    std::this_thread::yield();
  }
  queue.Close();
  caller.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(queue.Post([&] { ran = true; }));
  EXPECT_EQ(queue.RunPending(), 0);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace kestrix
