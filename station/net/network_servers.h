#pragma once
// The station's listeners: the two SMTP ports and the chat port. Start-up
// starts them last, once the settings, the serial port and the sound
// objects are ready, so a connection never finds them missing.

namespace kestrix {

class NetworkServers {
 public:
  virtual ~NetworkServers() = default;
  // Starts every listener whose port is not 0; a port of 0 is logged as
  // disabled (and a disabled chat shows in the chat user list).
  virtual void StartNetworkServers() = 0;
  // Shutdown: stops listening and ends the sessions that still run.
  virtual void StopNetworkServers() = 0;
};

}  // namespace kestrix
