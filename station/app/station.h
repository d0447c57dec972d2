#pragma once
// The station put together without any window code: it owns the settings,
// the event log, the window clock, the transmit side and the tick work, and
// runs start-up and shutdown. The main window owns one Station and lends it
// its controls; the program hands it the devices.

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/launcher.h"
#include "station/app/about_listing.h"
#include "station/app/editor_commands.h"
#include "station/app/file_import.h"
#include "station/app/station_window.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/sound_keying_thread.h"
#include "station/audio/wave_device.h"
#include "station/config/initialization_file.h"
#include "station/config/recipient_menu.h"
#include "station/config/saved_configuration.h"
#include "station/config/serial_menus.h"
#include "station/config/settings_menus.h"
#include "station/config/sound_card_menu.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/idle_fill.h"
#include "station/encoding/mode_selector.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/output_router.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_line.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "station/net/unbuilt_network_servers.h"
#include "station/queue/clock_tick.h"
#include "station/queue/cw_identifier.h"
#include "station/queue/file_transmitter.h"
#include "station/queue/monitor_ring.h"
#include "station/queue/queue_commands.h"
#include "station/queue/schedule_loader.h"
#include "station/queue/script_commands.h"
#include "station/queue/script_help.h"
#include "station/queue/send_queue.h"
#include "station/queue/transmit_cycle.h"

namespace kestrix {

// The device backends, chosen where the program is put together.
struct StationDevices {
  SerialLine& serialLine;
  Psk31Modem& modem;
  WaveDeviceFactory& waveDevices;
  Launcher& launcher;
};

class Station {
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
  void Shutdown();
  // "Restore Configuration" from the menu: the settings of the file, the
  // sound path following the mode and rate they name.
  void RestoreConfigurationWhileRunning();

  StationSettings& Settings() { return settings_; }
  EventLog& Log() { return log_; }
  WindowClock& Clock() { return clock_; }
  PortDeviceMap& PortDevices() { return portDevices_; }
  SerialPort& Port() { return serialPort_; }
  OutputRouter& Router() { return router_; }
  Transmitter& Transmit() { return transmitter_; }
  MorseKeyer& Morse() { return morse_; }
  ModeSelector& Modes() { return modes_; }
  CharacterEncoder& Encoder() { return encoder_; }
  TransmitBusy& Busy() { return transmitBusy_; }
  SendQueue& Queue() { return queue_; }
  TransmitCycle& Cycle() { return cycle_; }
  QueueCommands& Commands() { return commands_; }
  FileTransmitter& Files() { return files_; }
  MonitorRing& Monitor() { return monitor_; }
  SoundKeyingThread& SoundKeying() { return soundKeying_; }
  SettingsMenus& Menus() { return settingsMenus_; }
  SavedConfiguration& Configuration() { return savedConfiguration_; }
  EditorCommands& Editor() { return editor_; }
  FileImport& Import() { return import_; }
  CwIdCommands& CwIdMenu() { return cwIdentifier_; }
  CwIdentifier& Identification() { return cwIdentifier_; }
  ScriptCommands& Scripts() { return scriptCommands_; }
  ScriptHelp& Help() { return help_; }
  // The About box's listing for the settings in force.
  std::vector<std::string> AboutLines() const;

 private:
  void CreateWorkingDirectories();
  void ShowStartMarksAndOpenPort();
  void ShowStateFields();
  void ResetTransmitCycleFlags();
  void OnClockTick();

  StationSettings settings_;
  EventLog log_;
  WindowClock clock_;
  ClockTick clockTick_;
  PortDeviceMap portDevices_;
  SerialPort serialPort_;
  // Both hold the station's one sound keying object (below) from start-up
  // on, and reach it only once the station runs.
  OutputRouter router_;
  Transmitter transmitter_;
  // Destroyed before everything its workers use.
  ToneState tones_;
  SoundKeyingThread soundKeying_;
  MorseKeyer morse_;
  ModeSelector modes_;
  CharacterEncoder encoder_;
  TransmitBusy transmitBusy_;
  IdleFill idleFill_;
  SendQueue queue_;
  MonitorRing monitor_;
  ScriptHelp help_;
  FileTransmitter files_;
  ScheduleLoader schedule_;
  // Both hold references to the cycle and the menus below, which they use
  // only once the station runs.
  CwIdentifier cwIdentifier_;
  ScriptCommands scriptCommands_;
  TransmitCycle cycle_;
  QueueCommands commands_;
  InitializationFile initializationFile_;
  SerialMenus serialMenus_;
  SoundCardMenu soundCardMenu_;
  RecipientMenu recipientMenu_;
  SettingsMenus settingsMenus_;
  SavedConfiguration savedConfiguration_;
  EditorCommands editor_;
  FileImport import_;
  UnbuiltNetworkServers network_;
  MenuControls& menus_;
  TextField& flowStatus_;
  TextField& transmitStatus_;
  TextField& cwIdCountdown_;
};

}  // namespace kestrix
