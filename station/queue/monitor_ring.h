#pragma once
// What files and chat lines have put on the air lately, for the chat users
// to watch: one sender at a time stores characters (the holder of the
// transmit flag), and every chat session follows with a read position of
// its own. It holds a whole file's worth, so a reader on an ordinary
// connection never falls behind; one that does skips to the present and is
// told how much it missed. Any thread.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrix {

class MonitorRing {
 public:
  static constexpr std::size_t kCapacity = 32 * 1024;

  void Put(char c) {
    const std::uint64_t at = count_.load(std::memory_order_relaxed);
    ring_[at % kCapacity].store(c, std::memory_order_relaxed);
    count_.store(at + 1, std::memory_order_release);
    if (putListener_) {
      putListener_();
    }
  }
  // Called after every Put, on the storing thread. Set while nothing is
  // being stored (at start-up and shutdown).
  void SetPutListener(std::function<void()> listener) { putListener_ = std::move(listener); }
  // How many characters were ever stored: a new reader starts here.
  std::uint64_t WriteCount() const { return count_.load(std::memory_order_acquire); }

  // Appends what was stored since `position` to `text` and moves `position`
  // on to the present. Returns how many characters were overwritten before
  // they could be read; then nothing is appended.
  std::uint64_t ReadSince(std::uint64_t& position, std::string& text) const {
    const std::uint64_t end = WriteCount();
    if (end - position <= kCapacity) {
      const std::size_t before = text.size();
      for (std::uint64_t i = position; i < end; ++i) {
        text += ring_[i % kCapacity].load(std::memory_order_relaxed);
      }
      // A writer that went round meanwhile may have overwritten the start.
      std::atomic_thread_fence(std::memory_order_acquire);
      if (WriteCount() - position <= kCapacity) {
        position = end;
        return 0;
      }
      text.resize(before);
    }
    const std::uint64_t now = WriteCount();
    const std::uint64_t missed = now - position;
    position = now;
    return missed;
  }

 private:
  std::array<std::atomic<char>, kCapacity> ring_{};
  std::atomic<std::uint64_t> count_{0};
  std::function<void()> putListener_;
};

}  // namespace kestrix
