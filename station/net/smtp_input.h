#pragma once
// What an SMTP session has received and not yet used: command lines are
// taken whole, however the client's packets split them, and the message
// text after DATA is read from the same bytes.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "station/net/socket_connection.h"

namespace kestrix {

class SmtpInput {
 public:
  static constexpr std::size_t kReceiveSize = 512;
  static constexpr std::string_view kTimeoutReply =
      "552 Requested mail action aborted: exceeded timeout\r\n";

  SmtpInput(SocketConnection& connection, std::chrono::milliseconds idleTimeout)
      : connection_(connection), idleTimeout_(idleTimeout) {}

  // Waits for the next receive of at most 512 bytes and keeps it. Returns
  // its size; 0 when the peer closed or nothing came within the idle time
  // (then the client is told and the connection closed); -1 on an error.
  long ReceiveWithTimeout();

  // Takes the next whole line, line feed included. A line that has no line
  // feed within one receive's size is taken as it stands.
  bool TakeLine(std::string& line);

  std::string_view Pending() const { return std::string_view(pending_).substr(used_); }
  void Consume(std::size_t count);

 private:
  SocketConnection& connection_;
  std::chrono::milliseconds idleTimeout_;
  std::string pending_;
  std::size_t used_ = 0;  // bytes at the front of pending_ already taken
};

}  // namespace kestrix
