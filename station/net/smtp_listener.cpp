#include "station/net/smtp_listener.h"

#include "station/net/smtp_session.h"

namespace kestrix {

SmtpListener::SmtpListener(Options options, EventLoop& loop, EventLog& log, IntakeQueue& queue,
                           MessageIntake& intake)
    : options_(options),
      log_(log),
      queue_(queue),
      intake_(intake),
      server_(loop, options.maxSessions, options.displaceAfter) {}

std::string SmtpListener::ThreadName() const {
  return options_.variant == 2 ? "MTServerThread2" : "MTServerThread1";
}

bool SmtpListener::Start() {
  const std::string failure = server_.Listen(options_.port, options_.access.listenAddress);
  if (!failure.empty()) {
    log_.LogEvent("SmtpListener : cannot listen on port " + std::to_string(options_.port) + ": " +
                  failure);
    return false;
  }
  ConnectionServer::Handlers handlers;
  handlers.admitted = [this](SocketConnection& connection) {
    if (options_.access.Allows(connection.PeerAddress())) {
      return true;
    }
    connection.SendNow(std::string("554 ") + SmtpSession::kHostName +
                       " No service for your address, closing channel\r\n");
    log_.LogEvent(ThreadName() + " : SMTP connection from [" + connection.PeerAddressText() +
                  "] refused: not in QERVAllowFrom");
    return false;
  };
  handlers.accepted = [this](SocketConnection& connection) {
    log_.LogEvent(ThreadName() + " : SMTP E-Mail Connect from [" + connection.PeerAddressText() +
                  "]");
  };
  handlers.session = [this](const std::shared_ptr<SocketConnection>& connection) {
    SmtpSession(options_.variant, *connection, log_, queue_, intake_, options_.idleTimeout).Run();
  };
  handlers.refused = [this](SocketConnection& connection) {
    const std::string reply = std::string("421 ") + SmtpSession::kHostName +
                              " Service not available, too many sessions, closing channel\r\n";
    connection.Send(reply);
    log_.LogEvent(ThreadName() + " : " + reply);
  };
  handlers.displaced = [this](SocketConnection& connection) {
    connection.SendNow(std::string("421 ") + SmtpSession::kHostName +
                       " Service not available, closing channel\r\n");
    log_.LogEvent(ThreadName() + " : SMTP connection from [" + connection.PeerAddressText() +
                  "] ended: no command yet and every session taken");
  };
  server_.Start(std::move(handlers));
  return true;
}

}  // namespace kestrix
