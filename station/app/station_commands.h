#pragma once
// What the main window calls: the command interfaces behind its buttons,
// menus and dialogs, and the few settings its dialogs read or write.

#include <string>
#include <vector>

#include "common/event_log.h"
#include "station/app/editor_commands.h"
#include "station/app/file_import.h"
#include "station/config/saved_configuration.h"
#include "station/config/settings_menus.h"
#include "station/config/station_settings.h"
#include "station/encoding/transmitter.h"
#include "station/net/chat_user_commands.h"
#include "station/queue/queue_commands.h"
#include "station/queue/script_command_runner.h"
#include "station/queue/send_queue.h"
#include "station/queue/transmit_cycle.h"

namespace kestrix {

// The station's own items: restoring the configuration, the About box's
// listing and the shutdown.
class StationControl {
 public:
  virtual ~StationControl() = default;
  virtual void RestoreConfigurationWhileRunning() = 0;
  virtual std::vector<std::string> AboutLines() const = 0;
  virtual void Shutdown() = 0;
};

struct StationCommands {
  StationControl& station;
  StationSettings& settings;  // the sound card setup and the import's start folder
  EventLog& log;
  SendQueue& queue;  // shown in the queue list
  QueueCommands& queueCommands;
  TransmitCycle& cycle;
  Transmitter& transmitter;
  SettingsMenus& settingMenus;
  SavedConfiguration& configuration;
  EditorCommands& editor;
  CwIdCommands& cwId;
  FileImport& import;
  ChatUserCommands& chatUsers;  // the Kill button and the chat user list's clicks
};

}  // namespace kestrix
