#include "station/app/editor_commands.h"

#include "common/time_tag.h"
#include "station/config/initialization_file.h"

namespace kestrix {

EditorCommands::EditorCommands(const StationSettings& settings, EventLoop& loop, EventLog& log,
                               Launcher& launcher)
    : settings_(settings), loop_(loop), log_(log), launcher_(launcher) {}

void EditorCommands::EditSchedule() {
  Open(settings_.QERVDataPath + "schedule.lst");
}

// The temporary list lives in the data directory like the other one.
void EditorCommands::EditScheduleTemp() {
  Open(settings_.QERVDataPath + "schedule_temp.lst");
}

// The file that is read, in its own spelling: on Linux "Kestrix.INI" would
// be another file.
void EditorCommands::EditInitializationFile() {
  Open(InitializationFile::kFileName);
}

void EditorCommands::ViewLog() {
  Open(EventLog::DailyFileName(LocalTime(loop_.Now())));
}

void EditorCommands::Open(const std::string& path) {
  if (!launcher_.OpenInEditor(path)) {
    log_.LogEvent("No text editor could be started for <" + path + ">.");
  }
}

}  // namespace kestrix
