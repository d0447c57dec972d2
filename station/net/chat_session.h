#pragma once
// One chat user, on the connection's own thread: the login by name, then
// in turn watching what the station sends and sending the user's lines
// over the air, one line at a time station-wide. Ends when the client
// closes, is killed, or is silent for the idle limit.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "station/net/chat_line_sender.h"
#include "station/net/chat_station.h"
#include "station/net/chat_wakeups.h"
#include "station/net/echo_macro.h"
#include "station/net/socket_connection.h"
#include "station/net/telnet_filter.h"

namespace kestrix {

struct ChatTimeouts {
  // From the connection to the name's line end, however the name trickles in.
  std::chrono::milliseconds login = std::chrono::seconds{60};
  std::chrono::milliseconds idle = std::chrono::hours{1};
  // A client that takes none of what the station sends for this long is
  // let go.
  std::chrono::milliseconds send = SocketConnection::kSendTimeout;
};

class ChatSession {
 public:
  static constexpr std::size_t kMaxName = 255;
  static constexpr std::size_t kMaxPending = 65535;

  ChatSession(std::shared_ptr<SocketConnection> connection, std::string address,
              ChatStation& station, EchoMacro& echo, ChatWakeups& wakeups,
              std::atomic<int>& softLimit, const std::atomic<bool>& stopping,
              ChatTimeouts timeouts);

  void Run();

 private:
  enum class Event { kReceived, kWoken, kTimedOut, kEnded };
  using SteadyClock = std::chrono::steady_clock;

  bool Login();
  void Welcome();
  void Chat();
  // Waits for the client (when `listen`), a wake-up, or the deadline.
  Event Wait(bool listen, SteadyClock::time_point deadline);
  // One receive, Telnet negotiation answered; its text is appended to
  // `text`. kEnded when the client has gone.
  Event Receive(std::size_t size, std::string& text);
  void EchoRing();
  bool TakeLine(std::string& line);
  void SendLine(const std::string& text);

  std::shared_ptr<SocketConnection> connection_;
  const std::string address_;
  ChatStation& station_;
  ChatWakeups& wakeups_;
  std::atomic<int>& softLimit_;
  const ChatTimeouts timeouts_;
  ChatWakeup wakeup_;
  TelnetFilter telnet_;
  ChatLineSender sender_;
  std::string name_;
  std::string pending_;
  std::uint64_t readPosition_ = 0;
  SteadyClock::time_point lastActivity_;
};

}  // namespace kestrix
