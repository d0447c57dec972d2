#pragma once
// One SMTP port: its connect log line, a session of its variant for each
// connection, and a 421 reply for a connection over the session limit.

#include <chrono>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/net/connection_server.h"
#include "station/net/intake_queue.h"
#include "station/net/message_intake.h"
#include "station/net/network_access.h"

namespace kestrix {

class SmtpListener {
 public:
  struct Options {
    int variant = 1;  // 1 or 2, as the port's sessions behave
    int port = 25;
    std::chrono::milliseconds idleTimeout = std::chrono::seconds{60};
    int maxSessions = 32;
    std::chrono::milliseconds displaceAfter = ConnectionServer::kDisplaceAfter;
    NetworkAccess access;
  };

  SmtpListener(Options options, EventLoop& loop, EventLog& log, IntakeQueue& queue,
               MessageIntake& intake);

  // Listens and starts accepting. A port that cannot be had is logged, and
  // false returned.
  bool Start();
  // The port listened on (the system's choice when 0 was asked).
  int Port() const { return server_.Port(); }
  // Stops accepting, ends the running sessions and waits for them.
  void Stop() { server_.Stop(); }

 private:
  std::string ThreadName() const;

  const Options options_;
  EventLog& log_;
  IntakeQueue& queue_;
  MessageIntake& intake_;
  ConnectionServer server_;
};

}  // namespace kestrix
