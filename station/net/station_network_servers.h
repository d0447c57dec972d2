#pragma once
// The station's gateways: the SMTP listeners on both ports with the mail
// intake they share, and the chat listener with the operator's commands on
// its users. Ports are read once, at start.

#include <memory>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/config/station_settings.h"
#include "station/net/chat_listener.h"
#include "station/net/chat_station.h"
#include "station/net/chat_user_commands.h"
#include "station/net/message_intake.h"
#include "station/net/network_access.h"
#include "station/net/network_servers.h"
#include "station/net/smtp_listener.h"
#include "station/net/window_intake_queue.h"

namespace kestrix {

class StationNetworkServers final : public NetworkServers {
 public:
  StationNetworkServers(ChatStation chat, QueueCommands& commands, ScheduleLoader& schedule,
                        bool listenOnFreePorts = false);
  ~StationNetworkServers() override;

  void StartNetworkServers() override;
  void StopNetworkServers() override;

  // The SMTP listener of port 1 or 2; null when that port is disabled or
  // could not be listened on.
  SmtpListener* Smtp(int variant) { return variant == 2 ? smtp2_.get() : smtp1_.get(); }
  // Null when the chat port is disabled or could not be listened on.
  ChatListener* Chat() { return chat_.get(); }
  ChatUserCommands& ChatUsers() { return chatUsers_; }

 private:
  std::unique_ptr<SmtpListener> StartSmtp(int variant, int port, const char* disabled);
  void StartChat();

  ChatStation station_;
  const bool listenOnFreePorts_;
  NetworkAccess access_;  // from the settings at start
  WindowIntakeQueue intakeQueue_;
  MessageIntake intake_;
  ChatUserCommands chatUsers_;
  std::unique_ptr<SmtpListener> smtp1_;
  std::unique_ptr<SmtpListener> smtp2_;
  std::unique_ptr<ChatListener> chat_;
};

}  // namespace kestrix
