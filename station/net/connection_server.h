#pragma once
// Serves one TCP port: accepts on a thread of its own and runs each
// connection's session on a thread of its own, at most a fixed number at
// once. When every place is taken, a newcomer takes the place of the
// oldest session whose client was greeted a while ago and has not proved
// itself since (a flood of connections that say nothing cannot lock the
// port until their timeouts); with none such it is refused. Stopping it
// (at shutdown) ends the sessions that still run and waits for them.

#include <atomic>
#include <chrono>
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
    // On the accepting thread, for a session that gives its place to a
    // newcomer, before it is shut down; any thread may send to it.
    std::function<void(SocketConnection&)> displaced;
  };

  // A client greeted `displaceAfter` ago that has not proved itself may
  // lose its place to a newcomer; a mail program answers a greeting at once.
  static constexpr std::chrono::milliseconds kDisplaceAfter = std::chrono::seconds{2};

  ConnectionServer(EventLoop& loop, int maxSessions,
                   std::chrono::milliseconds displaceAfter = kDisplaceAfter);
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
    bool displaced = false;  // shut down for a newcomer, still ending
  };

  void AcceptConnections();
  void RunSession(Session& session);
  void JoinFinishedSessions();
  // Under sessionsMutex_: the session to shut down for a newcomer when every
  // place is taken, else null.
  Session* SessionToDisplace();

  EventLoop& loop_;
  const int maxSessions_;
  const std::chrono::milliseconds displaceAfter_;
  Handlers handlers_;
  TcpListener listener_;
  std::thread acceptor_;
  // False once the accepting thread has returned (it wakes the window
  // thread then): Stop() serves window calls until that moment.
  std::atomic<bool> accepting_{false};
  std::mutex sessionsMutex_;
  std::list<Session> sessions_;
  EventCondition sessionEnded_;
};

}  // namespace kestrix
