#pragma once
// The menu commands that open one of the station's own files in the
// operator's text editor: the schedule lists, the initialization file and
// today's log. The station does not wait for the editor. Window thread.

#include <string>

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/launcher.h"
#include "station/config/station_settings.h"

namespace kestrix {

class EditorCommands {
 public:
  EditorCommands(const StationSettings& settings, EventLoop& loop, EventLog& log,
                 Launcher& launcher);

  void EditSchedule();
  void EditScheduleTemp();
  void EditInitializationFile();
  void ViewLog();

 private:
  void Open(const std::string& path);

  const StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  Launcher& launcher_;
};

}  // namespace kestrix
