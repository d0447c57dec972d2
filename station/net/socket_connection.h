#pragma once
// One accepted TCP connection. The session thread sends and receives; any
// other thread may shut it down, which wakes a receive that waits.

#include <array>
#include <atomic>
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

  // How long a send waits for the client to take its reply, unless set.
  static constexpr std::chrono::milliseconds kSendTimeout = std::chrono::seconds{60};

  explicit SocketConnection(int fd) : fd_(fd) {}
  ~SocketConnection();
  SocketConnection(const SocketConnection&) = delete;
  SocketConnection& operator=(const SocketConnection&) = delete;

  // The session thread, before it sends: how long Send() waits for room.
  void SetSendTimeout(std::chrono::milliseconds timeout) { sendTimeout_ = timeout; }
  // The session thread: sends all of `text`. False when the connection is
  // closed or broken, or when the client took nothing for the send timeout:
  // then the connection is closed, so a client that never reads its
  // replies cannot hold its session.
  bool Send(std::string_view text);
  // Any thread: sends what the connection takes at once; the rest is
  // dropped. False when nothing could be sent.
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

  // The session, once it has greeted its client: from then on a silence
  // is the client's own.
  void MarkGreeted();
  // The session, once its client has shown it means business (a whole
  // command, a login).
  void MarkProven() { proven_ = true; }
  // Whether the client was greeted at least `age` ago and has not proved
  // itself: a newcomer may take its place when every place is in use.
  bool SilentFor(std::chrono::milliseconds age) const;

  // The peer's IPv4 address, first byte first.
  std::array<std::uint8_t, 4> PeerAddress() const;
  // The same as "ddd.ddd.ddd.ddd", as the log and the chat user list show it.
  std::string PeerAddressText() const;

 private:
  int Descriptor() const;

  mutable std::mutex mutex_;  // guards fd_ against a close while another thread uses it
  int fd_;
  std::chrono::milliseconds sendTimeout_ = kSendTimeout;
  std::atomic<bool> proven_{false};
  std::atomic<std::chrono::steady_clock::rep> greetedAt_{0};  // 0: not yet
};

}  // namespace kestrix
