#pragma once
// What files and chat lines have put on the air lately, for the chat users
// to watch: one sender at a time stores characters (the holder of the
// transmit flag), and every chat session follows with a read position of
// its own. It holds a whole file's worth, so a reader on an ordinary
// connection never falls behind; one that does skips to the present and is
// told how much it missed. Any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kestrix {

class MonitorRing {
 public:
  static constexpr std::size_t kCapacity = 32 * 1024;

  void Put(char c) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ring_[count_ % kCapacity] = c;
      ++count_;
    }
    if (putListener_) {
      putListener_();
    }
  }
  // Called after every Put, on the storing thread. Set while nothing is
  // being stored (at start-up and shutdown).
  void SetPutListener(std::function<void()> listener) { putListener_ = std::move(listener); }

  // How many characters were ever stored: a new reader starts here.
  std::uint64_t WriteCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

  // Appends what was stored since `position` to `text` and moves `position`
  // on to the present. Returns how many characters were overwritten before
  // they could be read; then nothing is appended.
  std::uint64_t ReadSince(std::uint64_t& position, std::string& text) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (count_ - position > kCapacity) {
      const std::uint64_t missed = count_ - position;
      position = count_;
      return missed;
    }
    for (; position < count_; ++position) {
      text += ring_[position % kCapacity];
    }
    return 0;
  }

 private:
  mutable std::mutex mutex_;
  std::array<char, kCapacity> ring_{};
  std::uint64_t count_ = 0;
  std::function<void()> putListener_;
};

}  // namespace kestrix
