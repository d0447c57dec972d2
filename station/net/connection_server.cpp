#include "station/net/connection_server.h"

#include <algorithm>

namespace kestrix {

ConnectionServer::ConnectionServer(EventLoop& loop, int maxSessions,
                                   std::chrono::milliseconds displaceAfter)
    : loop_(loop), maxSessions_(maxSessions), displaceAfter_(displaceAfter), sessionEnded_(loop) {}

ConnectionServer::~ConnectionServer() {
  Stop();
}

std::string ConnectionServer::Listen(int port, std::uint32_t address) {
  return listener_.Listen(port, kBacklog, address);
}

void ConnectionServer::Start(Handlers handlers) {
  handlers_ = std::move(handlers);
  accepting_ = true;
  acceptor_ = std::thread([this] {
    AcceptConnections();
    accepting_ = false;
    loop_.Wake();
  });
}

void ConnectionServer::AcceptConnections() {
  while (std::shared_ptr<SocketConnection> accepted = listener_.Accept()) {
    if (handlers_.admitted && !handlers_.admitted(*accepted)) {
      continue;
    }
    JoinFinishedSessions();
    std::unique_lock<std::mutex> lock(sessionsMutex_);
    // A session that has closed its connection only writes its last log
    // lines: its client may be back already, and finds its place. Those
    // threads count only towards twice the limit.
    const bool room = static_cast<int>(sessions_.size()) < 2 * maxSessions_;
    const int open =
        static_cast<int>(std::count_if(sessions_.begin(), sessions_.end(), [](const Session& s) {
          return !s.finished && !s.displaced && s.connection->Number() >= 0;
        }));
    Session* const displace = room && open >= maxSessions_ ? SessionToDisplace() : nullptr;
    if (!room || (open >= maxSessions_ && displace == nullptr)) {
      lock.unlock();
      if (handlers_.accepted) {
        handlers_.accepted(*accepted);
      }
      if (handlers_.refused) {
        handlers_.refused(*accepted);
      }
      continue;
    }
    std::shared_ptr<SocketConnection> displaced;
    if (displace != nullptr) {
      displace->displaced = true;
      displaced = displace->connection;
    }
    Session& session = sessions_.emplace_back();
    session.connection = std::move(accepted);
    session.thread = std::thread([this, &session] { RunSession(session); });
    lock.unlock();
    if (displaced) {
      if (handlers_.displaced) {
        handlers_.displaced(*displaced);
      }
      displaced->Shutdown();
    }
  }
}

ConnectionServer::Session* ConnectionServer::SessionToDisplace() {
  for (Session& session : sessions_) {  // oldest first
    // A closed one holds no place.
    if (!session.finished && !session.displaced && session.connection->Number() >= 0 &&
        session.connection->SilentFor(displaceAfter_)) {
      return &session;
    }
  }
  return nullptr;
}

void ConnectionServer::RunSession(Session& session) {
  if (handlers_.accepted) {
    handlers_.accepted(*session.connection);
  }
  handlers_.session(session.connection);
  {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    session.finished = true;
  }
  sessionEnded_.Notify();
}

void ConnectionServer::JoinFinishedSessions() {
  std::list<Session> finished;
  {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
      const auto next = std::next(it);
      if (it->finished) {
        finished.splice(finished.end(), sessions_, it);
      }
      it = next;
    }
  }
  for (Session& session : finished) {
    session.thread.join();
  }
}

void ConnectionServer::Stop() {
  listener_.Stop();
  if (acceptor_.joinable()) {
    // The accepting thread may be logging a connection it turns away, which
    // needs the window thread: serve that until the thread has returned.
    while (accepting_ && loop_.IsWindowThread()) {
      loop_.WaitForWake();
    }
    acceptor_.join();
  }
  {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    for (Session& session : sessions_) {
      session.connection->Shutdown();
    }
  }
  sessionEnded_.WaitUntil([this] {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    return std::all_of(sessions_.begin(), sessions_.end(),
                       [](const Session& s) { return s.finished; });
  });
  JoinFinishedSessions();
}

}  // namespace kestrix
