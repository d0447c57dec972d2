#pragma once
// The send queue and what works on it: the schedule loader, the queue
// commands, the file transmitter, the transmit cycle, the CW identification,
// the "$" script commands and the file import. Built after the transmit side
// and the configuration menus it drives.

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/launcher.h"
#include "station/app/file_import.h"
#include "station/app/station_window.h"
#include "station/app/transmit_side.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/config/settings_menus.h"
#include "station/config/station_settings.h"
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

class QueueSide {
 public:
  QueueSide(StationSettings& settings, EventLoop& loop, EventLog& log, WindowClock& clock,
            StationWindow& window, TransmitSide& transmit, SettingsMenus& settingsMenus,
            Psk31Modem& modem, Launcher& launcher);

  QueueSide(const QueueSide&) = delete;
  QueueSide& operator=(const QueueSide&) = delete;

  SendQueue& Queue() { return queue_; }
  ScriptHelp& Help() { return help_; }
  const ScriptHelp& Help() const { return help_; }
  QueueCommands& Commands() { return commands_; }
  ScheduleLoader& Schedule() { return schedule_; }
  MonitorRing& Ring() { return monitor_; }
  TransmitCycle& Cycle() { return cycle_; }
  CwIdentifier& Identification() { return cwIdentifier_; }
  ScriptCommands& Scripts() { return scriptCommands_; }
  FileImport& Import() { return import_; }

 private:
  SendQueue queue_;
  MonitorRing monitor_;
  ScriptHelp help_;
  FileTransmitter files_;
  ScheduleLoader schedule_;
  QueueCommands commands_;
  TransmitCycle cycle_;
  CwIdentifier cwIdentifier_;
  ScriptCommands scriptCommands_;
  FileImport import_;
};

}  // namespace kestrix
