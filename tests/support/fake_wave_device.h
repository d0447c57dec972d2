#pragma once
// A wave device the test drives: it records what it is given and hands
// buffers back when told (or at once, once started, in auto mode).

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "station/audio/wave_device.h"

namespace kestrix::testing {

struct FakeWaveDeviceState {
  std::mutex mutex;
  int openResult = 0;
  // Write fails with this (a full disk under a WAV file) once this many
  // buffers were taken; -1 never.
  int failWritesFrom = -1;
  int writeError = kWaveFileWriteError;
  bool autoComplete = false;
  // Once this many buffers were taken, none is handed back any more (a
  // stalled driver); -1 never.
  int stallFrom = -1;
  bool open = false;
  int openNow = 0;  // devices open at this moment
  int maxOpen = 0;  // the most ever open at once
  // While set, Close blocks: a card slow to let go.
  bool holdClose = false;
  bool started = false;
  int restarts = 0;
  int resets = 0;
  int closes = 0;
  int pending = 0;                                 // handed over, not yet done
  std::vector<std::vector<std::uint8_t>> written;  // as handed over
  // Buffers the writer changed while the device still held them.
  int changedWhileHeld = 0;
  WaveDevice::BufferDone onDone;

  struct Held {
    const std::uint8_t* data;
    std::size_t index;  // into `written`
  };
  std::vector<Held> held;

  // Hands back the oldest pending buffer; false when none is pending.
  bool CompleteOne() {
    WaveDevice::BufferDone done;
    {
      std::lock_guard lock(mutex);
      if (pending == 0) {
        return false;
      }
      --pending;
      const Held oldest = held.front();
      held.erase(held.begin());
      const auto& copy = written[oldest.index];
      if (!std::equal(copy.begin(), copy.end(), oldest.data)) {
        ++changedWhileHeld;
      }
      done = onDone;
    }
    done();
    return true;
  }
  void CompleteAll() {
    while (CompleteOne()) {
    }
  }
  void ReleaseClose() {
    {
      std::lock_guard lock(mutex);
      holdClose = false;
    }
    changed.notify_all();
  }
  int OpenNow() {
    std::lock_guard lock(mutex);
    return openNow;
  }
  std::size_t WrittenCount() {
    std::lock_guard lock(mutex);
    return written.size();
  }
  // Blocks until `count` buffers were handed over; the long limit only
  // turns a hang into a failure.
  bool WaitForWrites(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30),
                            [&] { return written.size() >= count; });
  }
  std::condition_variable changed;
};

class FakeWaveDevice final : public WaveDevice {
 public:
  explicit FakeWaveDevice(std::shared_ptr<FakeWaveDeviceState> state) : state_(std::move(state)) {}

  int Open(const WaveFormat&, BufferDone onDone) override {
    std::lock_guard lock(state_->mutex);
    state_->onDone = std::move(onDone);
    state_->open = state_->openResult == 0;
    if (state_->open) {
      open_ = true;
      state_->maxOpen = std::max(state_->maxOpen, ++state_->openNow);
    }
    return state_->openResult;
  }
  int Restart() override {
    {
      std::lock_guard lock(state_->mutex);
      state_->started = true;
      ++state_->restarts;
    }
    if (state_->autoComplete) {
      state_->CompleteAll();
    }
    return 0;
  }
  int Write(const std::uint8_t* data, std::size_t bytes) override {
    bool complete = false;
    {
      std::lock_guard lock(state_->mutex);
      if (state_->failWritesFrom >= 0 &&
          state_->written.size() >= static_cast<std::size_t>(state_->failWritesFrom)) {
        return state_->writeError;
      }
      state_->written.emplace_back(data, data + bytes);
      state_->held.push_back({data, state_->written.size() - 1});
      ++state_->pending;
      state_->changed.notify_all();
      const bool stalled = state_->stallFrom >= 0 &&
                           state_->written.size() > static_cast<std::size_t>(state_->stallFrom);
      complete = state_->autoComplete && state_->started && !stalled;
    }
    if (complete) {
      state_->CompleteAll();
    }
    return 0;
  }
  void Reset() override {
    {
      std::lock_guard lock(state_->mutex);
      ++state_->resets;
    }
    state_->CompleteAll();
  }
  void Close() override {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return !state_->holdClose; });
    ++state_->closes;
    state_->open = false;
    if (open_) {
      open_ = false;
      --state_->openNow;
    }
  }

 private:
  std::shared_ptr<FakeWaveDeviceState> state_;
  bool open_ = false;
};

// Every device it makes shares `state`; it records what was asked for.
class FakeWaveDeviceFactory final : public WaveDeviceFactory {
 public:
  std::unique_ptr<WaveDevice> Create(int soundCardID, const std::string& configured) override {
    requests.emplace_back(soundCardID, configured);
    return std::make_unique<FakeWaveDevice>(state);
  }
  std::shared_ptr<FakeWaveDeviceState> state = std::make_shared<FakeWaveDeviceState>();
  std::vector<std::pair<int, std::string>> requests;
};

}  // namespace kestrix::testing
