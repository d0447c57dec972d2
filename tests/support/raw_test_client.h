#pragma once
// A test client for the station's servers that does what a mail program or
// a Telnet user never would: sends a byte at a time and notices between
// two bytes that the server has spoken or hung up, or floods the server
// without reading a word of its answers. Every read gives up after 20 s,
// so a server that never answers fails the test instead of hanging it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix::testing {

class RawTestClient {
 public:
  // Connects to 127.0.0.1:port.
  explicit RawTestClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{20, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RawTestClient() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  RawTestClient(const RawTestClient&) = delete;
  RawTestClient& operator=(const RawTestClient&) = delete;

  bool Connected() const { return fd_ >= 0; }

  void Send(std::string_view text) {
    while (fd_ >= 0 && !text.empty()) {
      const ssize_t sent = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
      if (sent <= 0) {
        return;
      }
      text.remove_prefix(static_cast<std::size_t>(sent));
    }
  }

  // Everything up to and including `marker`; what came before a hang-up or
  // a silence of 20 s otherwise.
  std::string ReadUntil(std::string_view marker) {
    std::string text;
    char c;
    while (!text.ends_with(marker) && fd_ >= 0 && ::recv(fd_, &c, 1, 0) == 1) {
      text += c;
    }
    return text;
  }
  std::string ReadLine() { return ReadUntil("\r\n"); }
  std::string Command(std::string_view text) {
    Send(text);
    return ReadLine();
  }

  // Everything the server says until it hangs up (or is silent for 20 s).
  std::string ReadAll() {
    std::string text;
    char buffer[4096];
    for (ssize_t got; fd_ >= 0 && (got = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
  }

  // Sends `text` a byte every `pause` and stops as soon as the server says
  // something or hangs up. Returns how many bytes went.
  std::size_t Trickle(std::string_view text, std::chrono::milliseconds pause) {
    std::size_t sent = 0;
    for (const char c : text) {
      if (::send(fd_, &c, 1, MSG_NOSIGNAL) != 1) {
        break;
      }
      ++sent;
      pollfd entry{fd_, POLLIN, 0};
      if (::poll(&entry, 1, static_cast<int>(pause.count())) > 0) {
        break;
      }
    }
    return sent;
  }

  // Sends `text` over and over without reading, until the server has
  // taken nothing for `stall` or has hung up. Returns the bytes sent.
  std::size_t FloodWithoutReading(std::string_view text, std::chrono::milliseconds stall) {
    std::size_t total = 0;
    for (;;) {
      const ssize_t sent = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent > 0) {
        total += static_cast<std::size_t>(sent);
        continue;
      }
      pollfd room{fd_, POLLOUT, 0};
      if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) ||
          ::poll(&room, 1, static_cast<int>(stall.count())) <= 0) {
        return total;
      }
    }
  }

 private:
  int fd_ = -1;
};

}  // namespace kestrix::testing
