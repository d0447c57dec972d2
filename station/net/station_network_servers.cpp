#include "station/net/station_network_servers.h"

#include <string>

namespace kestrix {

StationNetworkServers::StationNetworkServers(const StationSettings& settings, EventLoop& loop,
                                             EventLog& log, ChatUserList& chatUsers,
                                             SendQueue& queue, QueueCommands& commands,
                                             ScheduleLoader& schedule, bool listenOnFreePorts)
    : settings_(settings),
      loop_(loop),
      log_(log),
      chatUsers_(chatUsers),
      listenOnFreePorts_(listenOnFreePorts),
      intakeQueue_(loop, settings, queue, commands, schedule),
      intake_(loop, log, intakeQueue_) {}

StationNetworkServers::~StationNetworkServers() {
  StopNetworkServers();
}

std::unique_ptr<SmtpListener> StationNetworkServers::StartSmtp(int variant, int port,
                                                               const char* disabled) {
  if (port == 0) {
    log_.LogEvent(disabled);
    return nullptr;
  }
  SmtpListener::Options options;
  options.variant = variant;
  options.port = listenOnFreePorts_ ? 0 : port;
  auto listener = std::make_unique<SmtpListener>(options, loop_, log_, intakeQueue_, intake_);
  if (!listener->Start()) {
    return nullptr;
  }
  return listener;
}

void StationNetworkServers::StartNetworkServers() {
  smtp1_ = StartSmtp(1, settings_.SMTP_Port_Number1, "SMTP Port Number 1 disabled");
  smtp2_ = StartSmtp(2, settings_.SMTP_Port_Number2, "SMTP Port Number 2 disabled");
  if (settings_.QERVTelnetPortNumber == 0) {
    log_.LogEvent("QERV Telnet Port disabled");
    chatUsers_.ShowChatDisabled();
  } else {
    log_.LogEvent("Chat server on port " + std::to_string(settings_.QERVTelnetPortNumber) +
                  " is not available in this version.");
  }
}

void StationNetworkServers::StopNetworkServers() {
  if (smtp1_) {
    smtp1_->Stop();
  }
  if (smtp2_) {
    smtp2_->Stop();
  }
}

}  // namespace kestrix
