#include "station/net/station_network_servers.h"

#include <string>
#include <vector>

namespace kestrix {

StationNetworkServers::StationNetworkServers(ChatStation chat, QueueCommands& commands,
                                             ScheduleLoader& schedule, bool listenOnFreePorts)
    : station_(chat),
      listenOnFreePorts_(listenOnFreePorts),
      intakeQueue_(chat.loop, chat.settings, chat.queue, commands, schedule),
      intake_(chat.loop, chat.log, intakeQueue_),
      chatUsers_(chat.users, chat.log,
                 [this](int pid) { return chat_ != nullptr && chat_->EndSession(pid); }) {}

StationNetworkServers::~StationNetworkServers() {
  StopNetworkServers();
}

std::unique_ptr<SmtpListener> StationNetworkServers::StartSmtp(int variant, int port,
                                                               const char* disabled) {
  if (port == 0) {
    station_.log.LogEvent(disabled);
    return nullptr;
  }
  SmtpListener::Options options;
  options.access = access_;
  options.variant = variant;
  options.port = listenOnFreePorts_ ? 0 : port;
  auto listener =
      std::make_unique<SmtpListener>(options, station_.loop, station_.log, intakeQueue_, intake_);
  if (!listener->Start()) {
    return nullptr;
  }
  return listener;
}

void StationNetworkServers::StartChat() {
  const int port = station_.settings.QERVTelnetPortNumber;
  if (port == 0) {
    station_.log.LogEvent("QERV Telnet Port disabled");
    station_.users.ShowChatDisabled();
    return;
  }
  ChatListener::Options options;
  options.access = access_;
  options.port = listenOnFreePorts_ ? 0 : port;
  auto listener = std::make_unique<ChatListener>(options, station_);
  if (listener->Start()) {
    chat_ = std::move(listener);
  }
}

void StationNetworkServers::StartNetworkServers() {
  std::vector<std::string> problems;
  access_ = NetworkAccess::FromSettings(station_.settings.QERVListenAddress,
                                        station_.settings.QERVAllowFrom, problems);
  for (const std::string& problem : problems) {
    station_.log.LogEvent(problem);
  }
  smtp1_ = StartSmtp(1, station_.settings.SMTP_Port_Number1, "SMTP Port Number 1 disabled");
  smtp2_ = StartSmtp(2, station_.settings.SMTP_Port_Number2, "SMTP Port Number 2 disabled");
  StartChat();
}

void StationNetworkServers::StopNetworkServers() {
  for (SmtpListener* listener : {smtp1_.get(), smtp2_.get()}) {
    if (listener != nullptr) {
      listener->Stop();
    }
  }
  if (chat_) {
    chat_->Stop();
  }
}

}  // namespace kestrix
