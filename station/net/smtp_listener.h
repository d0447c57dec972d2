#pragma once
// One SMTP port: accepts connections on its own thread and runs each
// session on a thread of its own, at most a fixed number at once. Stopping
// it (at shutdown) ends the sessions that still run.

#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "common/event_condition.h"
#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/net/intake_queue.h"
#include "station/net/message_intake.h"
#include "station/net/tcp_listener.h"

namespace kestrix {

class SmtpListener {
 public:
  static constexpr int kBacklog = 10;

  struct Options {
    int variant = 1;  // 1 or 2, as the port's sessions behave
    int port = 25;
    std::chrono::milliseconds idleTimeout = std::chrono::seconds{60};
    int maxSessions = 32;
  };

  SmtpListener(Options options, EventLoop& loop, EventLog& log, IntakeQueue& queue,
               MessageIntake& intake);
  ~SmtpListener();
  SmtpListener(const SmtpListener&) = delete;
  SmtpListener& operator=(const SmtpListener&) = delete;

  // Listens and starts accepting. A port that cannot be had is logged, and
  // false returned.
  bool Start();
  // The port listened on (the system's choice when 0 was asked).
  int Port() const { return listener_.Port(); }
  // Stops accepting, ends the running sessions and waits for them (on the
  // window thread, pumping its events meanwhile).
  void Stop();
  int RunningSessions();

 private:
  struct Session {
    std::shared_ptr<SocketConnection> connection;
    std::thread thread;
    bool finished = false;
  };

  void AcceptConnections();
  void RefuseConnection(SocketConnection& connection);
  void RunSession(Session& session);
  void JoinFinishedSessions();
  std::string ThreadName() const;

  const Options options_;
  EventLoop& loop_;
  EventLog& log_;
  IntakeQueue& queue_;
  MessageIntake& intake_;
  TcpListener listener_;
  std::thread acceptor_;
  std::mutex sessionsMutex_;
  std::list<Session> sessions_;
  EventCondition sessionEnded_;
};

}  // namespace kestrix
