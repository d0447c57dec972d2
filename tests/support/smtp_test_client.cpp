#include "tests/support/smtp_test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>

namespace kestrix::testing {

namespace {
constexpr int kReadTimeoutSeconds = 20;
}  // namespace

SmtpTestClient::SmtpTestClient(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{kReadTimeoutSeconds, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

SmtpTestClient::~SmtpTestClient() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void SmtpTestClient::Send(std::string_view text) {
  while (fd_ >= 0 && !text.empty()) {
    const ssize_t sent = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
    if (sent <= 0) {
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(sent));
  }
}

std::string SmtpTestClient::ReadLine() {
  std::string line = ReadUntil("\r\n");
  if (line.ends_with("\r\n")) {
    line.resize(line.size() - 2);
  }
  return line;
}

std::string SmtpTestClient::ReadUntil(std::string_view marker) {
  for (;;) {
    const std::size_t at = buffered_.find(marker);
    if (at != std::string::npos) {
      std::string text = buffered_.substr(0, at + marker.size());
      buffered_.erase(0, at + marker.size());
      return text;
    }
    char chunk[4096];
    const ssize_t received = fd_ >= 0 ? ::recv(fd_, chunk, sizeof chunk, 0) : -1;
    if (received <= 0) {
      std::string rest = buffered_;
      buffered_.clear();
      return rest;
    }
    buffered_.append(chunk, static_cast<std::size_t>(received));
  }
}

std::string SmtpTestClient::Command(std::string_view command) {
  Send(command);
  return ReadLine();
}

bool SmtpTestClient::ServerClosed() {
  if (!buffered_.empty()) {
    return false;
  }
  char byte;
  return fd_ >= 0 && ::recv(fd_, &byte, 1, 0) == 0;
}

void SmtpTestClient::CloseSending() {
  if (fd_ >= 0) {
    ::shutdown(fd_, SHUT_WR);
  }
}

}  // namespace kestrix::testing
