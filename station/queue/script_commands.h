#pragma once
// The "$" entries of a schedule: each switches a setting, the transmitter,
// the port or the identification between files, through the same handlers
// as the menus. Window thread, inside the clock tick.

#include <string>

#include "common/event_log.h"
#include "station/config/menu_controls.h"
#include "station/config/settings_menus.h"
#include "station/config/station_settings.h"
#include "station/encoding/transmitter.h"
#include "station/queue/cw_identifier.h"
#include "station/queue/queue_commands.h"
#include "station/queue/script_command_runner.h"
#include "station/queue/transmit_cycle.h"

namespace kestrix {

class ScriptCommands final : public ScriptCommandRunner {
 public:
  ScriptCommands(StationSettings& settings, EventLog& log, MenuControls& menus,
                 SettingsMenus& settingsMenus, Transmitter& transmitter, TransmitCycle& cycle,
                 QueueCommands& queueCommands, CwIdentifier& cwid);

  // `text` is the command without its "$", in any case. Unknown commands
  // do nothing.
  void RunScriptCommand(const std::string& text) override;

  // What a command does; the table of keys lives with the code.
  enum class Action;

 private:
  void Run(Action action, int argument, const std::string& command);
  void SetPskFrequency(float hertz);
  void SetFlag(std::atomic<int>& flag, int menuId, bool on);
  void SetCwTimer(bool on);
  void SwitchPort(const std::string& command);

  StationSettings& settings_;
  EventLog& log_;
  MenuControls& menus_;
  SettingsMenus& settingsMenus_;
  Transmitter& transmitter_;
  TransmitCycle& cycle_;
  QueueCommands& queueCommands_;
  CwIdentifier& cwid_;
};

}  // namespace kestrix
