#pragma once
// Serves one TCP port: accepts on a thread of its own and runs each
// connection's session on a thread of its own, at most a fixed number at
// once; one more is refused. Stopping it (at shutdown) ends the sessions
// that still run and waits for them.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/event_condition.h"
#include "common/event_loop.h"
#include "station/net/socket_connection.h"
#include "station/net/tcp_listener.h"

namespace kestrix {

class ConnectionServer {
 public:
  // Room for a burst of clients: with 10, twenty mail clients that connect
  // at once overflow the queue, and each one dropped waits a second for its
  // retry.
  static constexpr int kBacklog = 128;

  struct Handlers {
    // On the accepting thread, first: false turns the connection away (the
    // handler has told the client and the log why); it is closed at once.
    std::function<bool(SocketConnection&)> admitted;
    // On the session's own thread, first: the accepting thread never waits
    // for it, so it is back at the listening socket at once.
    std::function<void(SocketConnection&)> accepted;
    // On the session's own thread, after `accepted`.
    std::function<void(const std::shared_ptr<SocketConnection>&)> session;
    // On the accepting thread, for a connection over the limit, before it
    // is closed; also given to `accepted` first.
    std::function<void(SocketConnection&)> refused;
  };

  ConnectionServer(EventLoop& loop, int maxSessions);
  ~ConnectionServer();
  ConnectionServer(const ConnectionServer&) = delete;
  ConnectionServer& operator=(const ConnectionServer&) = delete;

  // Listens on the port of `address` (host order, 0 every local address);
  // an empty text on success, else why not.
  std::string Listen(int port, std::uint32_t address = 0);
  // Starts accepting; Listen() must have succeeded.
  void Start(Handlers handlers);
  int Port() const { return listener_.Port(); }
  // Stops accepting, ends the running sessions and waits for them (on the
  // window thread, serving its events meanwhile: a session may be waiting
  // for a window call).
  void Stop();

 private:
  struct Session {
    std::shared_ptr<SocketConnection> connection;
    std::thread thread;
    bool finished = false;
  };

  void AcceptConnections();
  void RunSession(Session& session);
  void JoinFinishedSessions();

  const int maxSessions_;
  Handlers handlers_;
  TcpListener listener_;
  std::thread acceptor_;
  std::mutex sessionsMutex_;
  std::list<Session> sessions_;
  EventCondition sessionEnded_;
};

}  // namespace kestrix
