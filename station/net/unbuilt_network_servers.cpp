#include "station/net/unbuilt_network_servers.h"

#include <string>

namespace kestrix {

void UnbuiltNetworkServers::StartNetworkServers() {
  struct Listener {
    int port;
    const char* disabled;
    const char* server;
  };
  const Listener listeners[] = {
      {settings_.SMTP_Port_Number1, "SMTP Port Number 1 disabled", "SMTP server"},
      {settings_.SMTP_Port_Number2, "SMTP Port Number 2 disabled", "SMTP server"},
      {settings_.QERVTelnetPortNumber, "QERV Telnet Port disabled", "Chat server"},
  };
  for (const Listener& listener : listeners) {
    if (listener.port == 0) {
      log_.LogEvent(listener.disabled);
    } else {
      log_.LogEvent(std::string(listener.server) + " on port " + std::to_string(listener.port) +
                    " is not available in this version.");
    }
  }
  if (settings_.QERVTelnetPortNumber == 0) {
    chatUsers_.ShowChatDisabled();
  }
}

}  // namespace kestrix
