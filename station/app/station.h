#pragma once
// The station put together without any window code: it owns the settings,
// the event log and the window clock, and the parts built on them in order
// (the transmit side, the configuration menus, the queue side, the editor
// and the gateways); it runs the tick work, start-up and shutdown. The main
// window owns one Station and lends it its controls; the program hands it
// the devices.

#include <string>
#include <vector>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/app/configuration_menus.h"
#include "station/app/editor_commands.h"
#include "station/app/queue_side.h"
#include "station/app/station_commands.h"
#include "station/app/station_devices.h"
#include "station/app/station_window.h"
#include "station/app/transmit_side.h"
#include "station/app/window_clock.h"
#include "station/config/station_settings.h"
#include "station/encoding/port_device_map.h"
#include "station/net/station_network_servers.h"
#include "station/queue/clock_tick.h"

namespace kestrix {

class Station final : public StationControl {
 public:
  Station(EventLoop& loop, StationWindow& window, StationDevices devices,
          WindowClock::EndProcess endProcess);

  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Start-up: the initialization file and the saved configuration, the
  // working directories, the start lines of the log, the transmitter off,
  // the clock, the menu marks and the serial port.
  void Start();
  // Shutdown: transmitter off, clock stopped, the last log line. Nothing is
  // saved.
  void Shutdown() override;
  // "Restore Configuration" from the menu: the settings of the file, the
  // sound path following the mode and rate they name.
  void RestoreConfigurationWhileRunning() override;

  // The About box's listing for the settings in force.
  std::vector<std::string> AboutLines() const override;

  // What the main window calls.
  StationCommands Commands();

  StationSettings& Settings() { return settings_; }
  WindowClock& Clock() { return clock_; }
  TransmitSide& TransmitPart() { return transmit_; }
  ConfigurationMenus& ConfigurationPart() { return configuration_; }
  QueueSide& QueuePart() { return queue_; }
  StationNetworkServers& NetworkPart() { return network_; }

 private:
  void CreateWorkingDirectories();
  void ShowStartMarksAndOpenPort();
  void ShowStateFields();
  void ResetTransmitCycleFlags();
  void OnClockTick();

  // The base every part uses.
  StationSettings settings_;
  EventLog log_;
  WindowClock clock_;
  ClockTick clockTick_;
  PortDeviceMap portDevices_;
  // The parts, each built from what is above it.
  TransmitSide transmit_;
  ConfigurationMenus configuration_;
  QueueSide queue_;
  EditorCommands editor_;
  // The gateways to the network.
  StationNetworkServers network_;
  MenuControls& menus_;
  TextField& flowStatus_;
  TextField& transmitStatus_;
  TextField& cwIdCountdown_;
};

}  // namespace kestrix
