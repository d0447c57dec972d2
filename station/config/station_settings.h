#pragma once
// The station's settings record, owned by the main window for the whole run.
// Fields keep the names under which the saved configuration stores them.
// Thread rules: only the fields marked shared are touched off the window
// thread, and those are atomic.

#include <atomic>

namespace kestrix {

struct StationSettings {
  // Tick counters of the window clock. Waits on the window thread and on a
  // chat thread read them, so they are atomic.
  std::atomic<int> timerTick{0};
  std::atomic<int> morseTick{0};
};

}  // namespace kestrix
