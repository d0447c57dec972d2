#pragma once
// One sound worker at a time on the card, whichever mode made it: a worker
// takes the card before it opens its device and gives it back after closing
// it, so the FSK keyer and the PSK31 modem never play over each other (nor
// write one WAV file at once).

#include <condition_variable>
#include <mutex>

namespace kestrix {

class SoundCardLock {
 public:
  // Blocks until no other worker holds the card. For worker threads only.
  void Take() {
    std::unique_lock lock(mutex_);
    free_.wait(lock, [this] { return !held_; });
    held_ = true;
  }
  bool TryTake() {
    std::lock_guard lock(mutex_);
    if (held_) {
      return false;
    }
    held_ = true;
    return true;
  }
  void Give() {
    {
      std::lock_guard lock(mutex_);
      held_ = false;
    }
    free_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable free_;
  bool held_ = false;
};

// Holds the card for a scope.
class SoundCardHold {
 public:
  explicit SoundCardHold(SoundCardLock& card) : card_(card) { card_.Take(); }
  ~SoundCardHold() { card_.Give(); }
  SoundCardHold(const SoundCardHold&) = delete;
  SoundCardHold& operator=(const SoundCardHold&) = delete;

 private:
  SoundCardLock& card_;
};

}  // namespace kestrix
