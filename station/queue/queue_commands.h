#pragma once
// The operator's commands on the send queue: Add File, Remove Selected,
// Clear, Move to Top, Reload, the file chooser's refresh and opening an
// entry in the text editor.

#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/launcher.h"
#include "common/text_field.h"
#include "station/config/station_settings.h"
#include "station/queue/file_chooser.h"
#include "station/queue/schedule_loader.h"
#include "station/queue/script_help.h"
#include "station/queue/send_queue.h"

namespace kestrix {

class QueueCommands {
 public:
  QueueCommands(StationSettings& settings, EventLoop& loop, EventLog& log, SendQueue& queue,
                ScheduleLoader& schedule, const ScriptHelp& help, FileChooser& chooser,
                TextField& flowStatus, Launcher& launcher);

  // Queues the name in the chooser's edit field ahead of the focused entry
  // (at the end with automatic start). Any thread.
  void AddFileToQueue();
  // The same for a given name (the mail intake). Any thread.
  void AddFileToQueue(const std::string& name);
  void RemoveSelected();
  void ClearQueue();
  void MoveSelectedToTop();
  void OnReload();
  // Newest file of data/ first, then the first lines of the script help.
  void RefreshFileChooser();
  void OpenQueueEntryInEditor();

 private:
  void AddChosenFile();

  StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  SendQueue& queue_;
  ScheduleLoader& schedule_;
  const ScriptHelp& help_;
  FileChooser& chooser_;
  TextField& flowStatus_;
  Launcher& launcher_;
};

}  // namespace kestrix
