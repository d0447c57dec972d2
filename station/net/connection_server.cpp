#include "station/net/connection_server.h"

#include <algorithm>

namespace kestrix {

ConnectionServer::ConnectionServer(EventLoop& loop, int maxSessions)
    : maxSessions_(maxSessions), sessionEnded_(loop) {}

ConnectionServer::~ConnectionServer() {
  Stop();
}

std::string ConnectionServer::Listen(int port, std::uint32_t address) {
  return listener_.Listen(port, kBacklog, address);
}

void ConnectionServer::Start(Handlers handlers) {
  handlers_ = std::move(handlers);
  acceptor_ = std::thread([this] { AcceptConnections(); });
}

void ConnectionServer::AcceptConnections() {
  while (std::shared_ptr<SocketConnection> accepted = listener_.Accept()) {
    if (handlers_.admitted && !handlers_.admitted(*accepted)) {
      continue;
    }
    JoinFinishedSessions();
    std::unique_lock<std::mutex> lock(sessionsMutex_);
    if (static_cast<int>(sessions_.size()) >= maxSessions_) {
      lock.unlock();
      if (handlers_.accepted) {
        handlers_.accepted(*accepted);
      }
      if (handlers_.refused) {
        handlers_.refused(*accepted);
      }
      continue;
    }
    Session& session = sessions_.emplace_back();
    session.connection = std::move(accepted);
    session.thread = std::thread([this, &session] { RunSession(session); });
  }
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
