#include "station/net/socket_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace kestrix {

SocketConnection::~SocketConnection() {
  Close();
}

int SocketConnection::Descriptor() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return fd_;
}

bool SocketConnection::Send(std::string_view text) {
  const int fd = Descriptor();
  if (fd < 0) {
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + sendTimeout_;
  while (!text.empty()) {
    const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) {
      text.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return false;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{fd, POLLOUT, 0};
    const int wait = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    const int ready = wait > 0 ? ::poll(&entry, 1, wait) : 0;
    if (ready == 0) {
      Close();  // the client has stopped reading
      return false;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
  return true;
}

bool SocketConnection::SendNow(std::string_view text) {
  // Under the lock: another thread may send this while the session closes.
  const std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ < 0 || text.empty()) {
    return false;
  }
  return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0;
}

SocketConnection::Wait SocketConnection::WaitReadable(std::chrono::milliseconds timeout) {
  const int fd = Descriptor();
  if (fd < 0) {
    return Wait::kClosed;
  }
  pollfd entry{fd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready > 0) {
      return Wait::kData;  // a receive tells data from a close or an error
    }
    if (ready == 0) {
      return Wait::kTimedOut;
    }
    if (errno != EINTR) {
      return Wait::kError;
    }
  }
}

long SocketConnection::Receive(char* buffer, std::size_t size) {
  const int fd = Descriptor();
  if (fd < 0) {
    return 0;
  }
  for (;;) {
    const ssize_t received = ::recv(fd, buffer, size, 0);
    if (received >= 0 || errno != EINTR) {
      return received;
    }
  }
}

void SocketConnection::MarkGreeted() {
  greetedAt_ = std::chrono::steady_clock::now().time_since_epoch().count();
}

bool SocketConnection::SilentFor(std::chrono::milliseconds age) const {
  const std::chrono::steady_clock::rep greeted = greetedAt_;
  if (proven_ || greeted == 0) {
    return false;
  }
  const std::chrono::steady_clock::time_point since{std::chrono::steady_clock::duration{greeted}};
  return std::chrono::steady_clock::now() - since >= age;
}

void SocketConnection::Close() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void SocketConnection::Shutdown() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) {
    ::shutdown(fd_, SHUT_RDWR);
  }
}

std::string SocketConnection::PeerAddressText() const {
  const auto address = PeerAddress();
  char text[24];
  std::snprintf(text, sizeof text, "%03d.%03d.%03d.%03d", address[0], address[1], address[2],
                address[3]);
  return text;
}

std::array<std::uint8_t, 4> SocketConnection::PeerAddress() const {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = Descriptor();
  std::array<std::uint8_t, 4> bytes{};
  if (fd >= 0 && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
      peer.sin_family == AF_INET) {
    const std::uint32_t address = ntohl(peer.sin_addr.s_addr);
    bytes = {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
             static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
  }
  return bytes;
}

}  // namespace kestrix
