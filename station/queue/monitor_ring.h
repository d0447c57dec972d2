#pragma once
// The last 256 characters transmitted by a file or a chat line. Writers
// store at an 8-bit index that wraps; chat sessions follow it with read
// indices of their own to show their users what goes out. Any thread.

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrix {

class MonitorRing {
 public:
  void Put(char c) {
    const std::uint8_t at = writeIndex_.load();
    ring_[at].store(c);
    writeIndex_.store(static_cast<std::uint8_t>(at + 1));
  }
  std::uint8_t WriteIndex() const { return writeIndex_.load(); }
  char At(std::uint8_t index) const { return ring_[index].load(); }

 private:
  std::array<std::atomic<char>, 256> ring_{};
  std::atomic<std::uint8_t> writeIndex_{0};
};

}  // namespace kestrix
