#pragma once
// A loopback SMTP server for the mail loader's tests: it answers each
// command line (and each message, after a 354) with the next reply of its
// script, says nothing for an empty reply, and keeps every byte it got.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace kestrix::testing {

class ScriptedSmtpServer {
 public:
  // `greeting` empty: a server that never greets.
  ScriptedSmtpServer(std::string greeting, std::deque<std::string> replies)
      : greeting_(std::move(greeting)), replies_(std::move(replies)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedSmtpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  int Port() const { return port_; }
  // Everything received, once the client has closed the connection (or
  // after a few seconds, when it never does).
  std::string Received() {
    std::unique_lock lock(mutex_);
    closed_.wait_for(lock, std::chrono::seconds(5), [this] { return clientGone_; });
    return received_;
  }

 private:
  bool WaitReadable(int fd) {
    while (!stop_) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, 20) > 0) {
        return true;
      }
    }
    return false;
  }
  void Reply(int client) {
    if (replies_.empty()) {
      return;
    }
    const std::string reply = replies_.front();
    replies_.pop_front();
    if (!reply.empty()) {
      ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    }
    inData_ = reply.starts_with("354");
  }
  void Serve() {
    if (!WaitReadable(listener_)) {
      return;
    }
    const int client = ::accept(listener_, nullptr, nullptr);
    if (!greeting_.empty()) {
      ::send(client, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
    }
    std::string pending;
    char buffer[4096];
    while (WaitReadable(client)) {
      const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) {
        break;
      }
      {
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<std::size_t>(got));
      }
      pending.append(buffer, static_cast<std::size_t>(got));
      for (;;) {
        const std::string end = inData_ ? "\r\n.\r\n" : "\r\n";
        const std::size_t at = pending.find(end);
        if (at == std::string::npos) {
          break;
        }
        pending.erase(0, at + end.size());
        Reply(client);
      }
    }
    ::close(client);
    {
      std::lock_guard lock(mutex_);
      clientGone_ = true;
    }
    closed_.notify_all();
  }

  std::string greeting_;
  std::deque<std::string> replies_;
  int listener_ = -1;
  int port_ = 0;
  bool inData_ = false;
  std::mutex mutex_;
  std::string received_;
  std::condition_variable closed_;
  bool clientGone_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kestrix::testing
