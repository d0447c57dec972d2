#pragma once
// The listeners before the mail and chat servers are built: disabled ports
// are reported as the servers will report them, and an enabled one says
// that its server is not in this version yet.

#include "common/event_log.h"
#include "station/app/chat_user_list.h"
#include "station/config/station_settings.h"
#include "station/net/network_servers.h"

namespace kestrix {

class UnbuiltNetworkServers final : public NetworkServers {
 public:
  UnbuiltNetworkServers(const StationSettings& settings, EventLog& log, ChatUserList& chatUsers)
      : settings_(settings), log_(log), chatUsers_(chatUsers) {}

  void StartNetworkServers() override;

 private:
  const StationSettings& settings_;
  EventLog& log_;
  ChatUserList& chatUsers_;
};

}  // namespace kestrix
