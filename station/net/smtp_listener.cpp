#include "station/net/smtp_listener.h"

#include <algorithm>
#include <cstdio>

#include "station/net/smtp_session.h"

namespace kestrix {

namespace {

std::string AddressText(const std::array<std::uint8_t, 4>& address) {
  char text[32];
  std::snprintf(text, sizeof text, "[%03d.%03d.%03d.%03d]", address[0], address[1], address[2],
                address[3]);
  return text;
}

}  // namespace

SmtpListener::SmtpListener(Options options, EventLoop& loop, EventLog& log, IntakeQueue& queue,
                           MessageIntake& intake)
    : options_(options),
      loop_(loop),
      log_(log),
      queue_(queue),
      intake_(intake),
      sessionEnded_(loop) {}

SmtpListener::~SmtpListener() {
  Stop();
}

std::string SmtpListener::ThreadName() const {
  return options_.variant == 2 ? "MTServerThread2" : "MTServerThread1";
}

bool SmtpListener::Start() {
  const std::string failure = listener_.Listen(options_.port, kBacklog);
  if (!failure.empty()) {
    log_.LogEvent("SmtpListener : cannot listen on port " + std::to_string(options_.port) + ": " +
                  failure);
    return false;
  }
  acceptor_ = std::thread([this] { AcceptConnections(); });
  return true;
}

void SmtpListener::AcceptConnections() {
  while (std::unique_ptr<SocketConnection> accepted = listener_.Accept()) {
    log_.LogEvent(ThreadName() + " : SMTP E-Mail Connect from " +
                  AddressText(accepted->PeerAddress()));
    JoinFinishedSessions();
    std::unique_lock<std::mutex> lock(sessionsMutex_);
    if (static_cast<int>(sessions_.size()) >= options_.maxSessions) {
      lock.unlock();
      RefuseConnection(*accepted);
      continue;
    }
    Session& session = sessions_.emplace_back();
    session.connection = std::move(accepted);
    session.thread = std::thread([this, &session] { RunSession(session); });
  }
}

void SmtpListener::RefuseConnection(SocketConnection& connection) {
  const std::string reply = std::string("421 ") + SmtpSession::kHostName +
                            " Service not available, too many sessions, closing channel\r\n";
  connection.Send(reply);
  log_.LogEvent(ThreadName() + " : " + reply);
}

void SmtpListener::RunSession(Session& session) {
  SmtpSession(options_.variant, *session.connection, log_, queue_, intake_, options_.idleTimeout)
      .Run();
  {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    session.finished = true;
  }
  sessionEnded_.Notify();
}

void SmtpListener::JoinFinishedSessions() {
  std::list<Session> finished;
  {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
      auto next = std::next(it);
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

int SmtpListener::RunningSessions() {
  const std::lock_guard<std::mutex> lock(sessionsMutex_);
  return static_cast<int>(std::count_if(sessions_.begin(), sessions_.end(),
                                        [](const Session& s) { return !s.finished; }));
}

void SmtpListener::Stop() {
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
  // A session may be waiting for a window call: the wait services it.
  sessionEnded_.WaitUntil([this] {
    const std::lock_guard<std::mutex> lock(sessionsMutex_);
    return std::all_of(sessions_.begin(), sessions_.end(),
                       [](const Session& s) { return s.finished; });
  });
  JoinFinishedSessions();
}

}  // namespace kestrix
