#pragma once
// The chat port: its connect log line, a chat session for each connection,
// a short refusal for one over the session limit, and the end of a session
// on the operator's Kill.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "station/net/chat_session.h"
#include "station/net/chat_station.h"
#include "station/net/chat_wakeups.h"
#include "station/net/connection_server.h"
#include "station/net/echo_macro.h"
#include "station/net/network_access.h"

namespace kestrix {

class ChatListener {
 public:
  static constexpr const char* kRefusal = "Chat server full, please try again later.\r\n";

  struct Options {
    int port = 23;
    ChatTimeouts timeouts;
    int maxSessions = 32;
    std::chrono::milliseconds displaceAfter = ConnectionServer::kDisplaceAfter;
    NetworkAccess access;
  };

  ChatListener(Options options, ChatStation& station);
  ~ChatListener();
  ChatListener(const ChatListener&) = delete;
  ChatListener& operator=(const ChatListener&) = delete;

  // Listens and starts accepting. A port that cannot be had is logged, and
  // false returned.
  bool Start();
  int Port() const { return server_.Port(); }
  void Stop();

  // Ends the session on the socket `pid`; false when there is none. Any
  // thread.
  bool EndSession(int pid);

 private:
  void RunSession(const std::shared_ptr<SocketConnection>& connection);

  const Options options_;
  ChatStation& station_;
  EchoMacro echo_;
  ChatWakeups wakeups_;
  std::atomic<int> softLimit_{0};
  std::atomic<bool> stopping_{false};
  std::mutex connectionsMutex_;
  std::map<int, std::weak_ptr<SocketConnection>> connections_;
  ConnectionServer server_;  // last: its sessions use what is above
};

}  // namespace kestrix
