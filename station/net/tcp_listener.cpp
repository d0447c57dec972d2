#include "station/net/tcp_listener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kestrix {

TcpListener::TcpListener() : stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TcpListener::~TcpListener() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  if (stopFd_ >= 0) {
    ::close(stopFd_);
  }
}

std::string TcpListener::Listen(int port, int backlog, std::uint32_t localAddress) {
  if (stopFd_ < 0) {
    return std::strerror(errno);
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    return std::strerror(errno);
  }
  // A restarted station gets its port back while old connections linger.
  const int on = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(localAddress);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd_, backlog) != 0) {
    const std::string reason = std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
    return reason;
  }
  return {};
}

int TcpListener::Port() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  return ntohs(address.sin_port);
}

std::unique_ptr<SocketConnection> TcpListener::Accept() {
  pollfd entries[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  while (fd_ >= 0) {
    if (::poll(entries, 2, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      return nullptr;
    }
    if (entries[1].revents != 0) {
      return nullptr;
    }
    const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) {
      return std::make_unique<SocketConnection>(client);
    }
    // A client gone before it was accepted, or no descriptor left: no
    // session, and the listener goes on.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      pollfd stop{stopFd_, POLLIN, 0};
      ::poll(&stop, 1, 100);  // let sessions end and give back descriptors
    }
  }
  return nullptr;
}

void TcpListener::Stop() {
  if (stopFd_ >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopFd_, &one, sizeof one);
  }
}

}  // namespace kestrix
