#pragma once
// A listening IPv4 TCP socket on one port, of every local address or of
// one. Accept blocks until a client connects or another thread stops the
// listener.

#include <cstdint>
#include <memory>
#include <string>

#include "station/net/socket_connection.h"

namespace kestrix {

class TcpListener {
 public:
  TcpListener();
  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Binds and listens with the given backlog. An empty text on success,
  // else why it failed.
  // `address` (host order) is the local address bound, 0 for every one.
  std::string Listen(int port, int backlog, std::uint32_t address = 0);
  // The port bound (useful when 0 asked the system for a free one).
  int Port() const;
  // The next connection; null once Stop() was called.
  std::unique_ptr<SocketConnection> Accept();
  // Any thread: ends a waiting Accept() and refuses further ones.
  void Stop();

 private:
  int fd_ = -1;
  int stopFd_ = -1;  // an eventfd that Stop() makes readable
};

}  // namespace kestrix
