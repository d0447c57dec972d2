#pragma once
// One accepted TCP connection. The session thread sends and receives; any
// other thread may shut it down, which wakes a receive that waits.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace kestrix {

class SocketConnection {
 public:
  enum class Wait { kData, kClosed, kTimedOut, kError };

  explicit SocketConnection(int fd) : fd_(fd) {}
  ~SocketConnection();
  SocketConnection(const SocketConnection&) = delete;
  SocketConnection& operator=(const SocketConnection&) = delete;

  // Sends all of `text`. False when the connection is closed or broken.
  bool Send(std::string_view text);
  // Sends what the connection takes at once; the rest is dropped. False
  // when nothing could be sent.
  bool SendNow(std::string_view text);
  // Waits up to `timeout` for the connection to become readable.
  Wait WaitReadable(std::chrono::milliseconds timeout);
  // One receive of at most `size` bytes: its count, 0 when the peer has
  // closed, -1 on an error.
  long Receive(char* buffer, std::size_t size);
  // Closes the connection; later sends and receives fail.
  void Close();
  // Any thread: ends the connection in both directions, waking a waiter.
  void Shutdown();

  // The socket's number, also what to wait on with poll() (-1 once closed).
  int Number() const { return Descriptor(); }

  // The peer's IPv4 address, first byte first.
  std::array<std::uint8_t, 4> PeerAddress() const;
  // The same as "ddd.ddd.ddd.ddd", as the log and the chat user list show it.
  std::string PeerAddressText() const;

 private:
  int Descriptor() const;

  mutable std::mutex mutex_;  // guards fd_ against a close while another thread shuts down
  int fd_;
};

}  // namespace kestrix
