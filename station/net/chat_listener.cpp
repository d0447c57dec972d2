#include "station/net/chat_listener.h"

namespace kestrix {

ChatListener::ChatListener(Options options, ChatStation& station)
    : options_(options),
      station_(station),
      echo_(station.loop),
      server_(station.loop, options.maxSessions, options.displaceAfter) {}

ChatListener::~ChatListener() {
  Stop();
}

bool ChatListener::Start() {
  const std::string failure = server_.Listen(options_.port, options_.access.listenAddress);
  if (!failure.empty()) {
    station_.log.LogEvent("ChatListener : cannot listen on port " + std::to_string(options_.port) +
                          ": " + failure);
    return false;
  }
  // Set before any session runs; a session sleeps until one of these.
  station_.ring.SetPutListener([this] { wakeups_.SignalAll(); });
  station_.busy.SetReleaseListener([this] { wakeups_.SignalAll(); });
  ConnectionServer::Handlers handlers;
  // Whoever reaches this port transmits on the operator's licence.
  handlers.admitted = [this](SocketConnection& connection) {
    if (options_.access.Allows(connection.PeerAddress())) {
      return true;
    }
    station_.log.LogEvent("MTServerThread3 : Telnet connection from [" +
                          connection.PeerAddressText() + "] refused: not in QERVAllowFrom");
    return false;
  };
  handlers.accepted = [this](SocketConnection& connection) {
    station_.log.LogEvent("MTServerThread3 : Telent Chat Server Connect from [" +
                          connection.PeerAddressText() + "]");
  };
  handlers.session = [this](const std::shared_ptr<SocketConnection>& connection) {
    RunSession(connection);
  };
  handlers.refused = [this](SocketConnection& connection) {
    connection.Send(kRefusal);
    station_.log.LogEvent("MTServerThread3 : too many chat sessions, connection from [" +
                          connection.PeerAddressText() + "] refused");
  };
  handlers.displaced = [this](SocketConnection& connection) {
    connection.SendNow(std::string("\r\n") + kRefusal);
    station_.log.LogEvent("MTServerThread3 : Telnet connection from [" +
                          connection.PeerAddressText() +
                          "] ended: no login yet and every session taken");
  };
  server_.Start(std::move(handlers));
  return true;
}

void ChatListener::Stop() {
  stopping_ = true;
  server_.Stop();
  station_.ring.SetPutListener(nullptr);
  station_.busy.SetReleaseListener(nullptr);
}

void ChatListener::RunSession(const std::shared_ptr<SocketConnection>& connection) {
  const int pid = connection->Number();
  {
    const std::lock_guard<std::mutex> lock(connectionsMutex_);
    connections_[pid] = connection;
  }
  ChatSession(connection, connection->PeerAddressText(), station_, echo_, wakeups_, softLimit_,
              stopping_, options_.timeouts)
      .Run();
  const std::lock_guard<std::mutex> lock(connectionsMutex_);
  connections_.erase(pid);
}

bool ChatListener::EndSession(int pid) {
  const std::lock_guard<std::mutex> lock(connectionsMutex_);
  const auto found = connections_.find(pid);
  if (found == connections_.end()) {
    return false;
  }
  if (const std::shared_ptr<SocketConnection> connection = found->second.lock()) {
    connection->Shutdown();
  }
  return true;
}

}  // namespace kestrix
