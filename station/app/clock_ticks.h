#pragma once
// The window clock's tick counters: the waits in clock and Morse ticks count
// on them. The saved configuration keeps them as part of the run state.
// Any thread's waits read them.

#include <atomic>

namespace kestrix {

struct ClockTicks {
  std::atomic<int> timerTick{0};
  std::atomic<int> morseTick{0};
};

}  // namespace kestrix
