#pragma once
// What an SMTP session has received and not yet used: command lines are
// taken whole, however the client's packets split them, and the message
// text after DATA is read from the same bytes.
//
// Each request has its time: a command line must come whole within the
// idle time, a message's text within the idle time plus a second for every
// kMinDataRate bytes of it. A client that sends a byte now and then, or
// streams a message at a trickle, cannot hold its session for ever.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "station/net/socket_connection.h"

namespace kestrix {

class SmtpInput {
 public:
  static constexpr std::size_t kReceiveSize = 512;
  // A message's text is read in larger pieces: a big one costs fewer calls.
  static constexpr std::size_t kMessageReceiveSize = 16384;
  // Bytes per second a message's text must keep up once the idle time is
  // spent; a modem link of the slowest kind still manages it.
  static constexpr std::size_t kMinDataRate = 500;
  static constexpr std::string_view kTimeoutReply =
      "552 Requested mail action aborted: exceeded timeout\r\n";

  SmtpInput(SocketConnection& connection, std::chrono::milliseconds idleTimeout)
      : connection_(connection), idleTimeout_(idleTimeout) {
    StartRequest();
  }

  // The time of a new command line starts now.
  void StartRequest();
  // The time of a message's text starts now; it is read in larger pieces
  // until the next StartRequest().
  void StartMessage();

  // Waits, until the request's time is up, for the next receive and keeps
  // it. Returns its size; 0 when the peer closed or the time ran out (then
  // the client is told and the connection closed); -1 on an error.
  long ReceiveWithTimeout();

  // Takes the next whole line, line feed included. A line that has no line
  // feed within one receive's size is taken as it stands.
  bool TakeLine(std::string& line);

  std::string_view Pending() const { return std::string_view(pending_).substr(used_); }
  void Consume(std::size_t count);

 private:
  using SteadyClock = std::chrono::steady_clock;

  SocketConnection& connection_;
  const std::chrono::milliseconds idleTimeout_;
  std::string pending_;
  std::size_t used_ = 0;  // bytes at the front of pending_ already taken
  SteadyClock::time_point requestStart_;
  std::size_t requestBytes_ = 0;  // received since the request started
  bool message_ = false;
};

}  // namespace kestrix
