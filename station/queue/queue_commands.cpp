#include "station/queue/queue_commands.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/time_tag.h"
#include "station/queue/transmit_files.h"

namespace kestrix {

QueueCommands::QueueCommands(StationSettings& settings, EventLoop& loop, EventLog& log,
                             SendQueue& queue, ScheduleLoader& schedule, const ScriptHelp& help,
                             FileChooser& chooser, TextField& flowStatus, Launcher& launcher)
    : settings_(settings),
      loop_(loop),
      log_(log),
      queue_(queue),
      schedule_(schedule),
      help_(help),
      chooser_(chooser),
      flowStatus_(flowStatus),
      launcher_(launcher) {}

void QueueCommands::AddFileToQueue() {
  loop_.CallOnWindowThread([this] { AddChosenFile(); });
}

void QueueCommands::AddFileToQueue(const std::string& name) {
  loop_.CallOnWindowThread([this, name] {
    chooser_.SetEditText(name);
    AddChosenFile();
  });
}

void QueueCommands::AddChosenFile() {
  const std::string name = chooser_.EditText();
  if (name.empty()) {
    RefreshFileChooser();
    return;
  }
  const int focus = queue_.FocusIndex();
  const int reference = focus >= 0 ? focus : 0;
  const TimeTag now = ToTimeTag(loop_.Now());
  TimeTag when = now;
  if (reference < queue_.Count()) {
    const std::string& line = queue_.Text(reference);
    if (SplitQueueLine(line).count == 3) {
      when = ParseTimeTag(line) - 10;
      if (when < 0) {
        when = now + 10;
      }
    }
  }
  const std::string entry = FormatQueueLine(when, name);
  if (settings_.QERVAutoStart) {
    queue_.Append(entry);
  } else {
    queue_.Insert(reference, entry);
  }
  chooser_.SetEditText("");
}

void QueueCommands::RemoveSelected() {
  for (int i = queue_.Count() - 1; i >= 0; --i) {
    if (queue_.IsSelected(i)) {
      queue_.Remove(i);
    }
  }
}

void QueueCommands::ClearQueue() {
  queue_.Clear();
}

void QueueCommands::MoveSelectedToTop() {
  for (int i = queue_.Count() - 1; i >= 0;) {
    if (!queue_.IsSelected(i)) {
      --i;
      continue;
    }
    const std::string text = queue_.Text(i);
    queue_.Remove(i);
    queue_.Insert(0, text);
    loop_.PumpMessages();
    // The same index now holds the entry that was above; look at it again.
  }
}

void QueueCommands::OnReload() {
  queue_.Clear();
  settings_.transferCancel = 0;
  flowStatus_.SetText("");
  log_.LogEvent("OnReload : Reloading Schedule List");
  if (!settings_.QERVAutoStart) {
    schedule_.GetSchedule(settings_.QERVDataPath + "schedule_temp.lst");
    schedule_.GetSchedule(settings_.QERVDataPath + "schedule.lst");
  }
}

void QueueCommands::RefreshFileChooser() {
  struct Found {
    std::filesystem::file_time_type written;
    std::string name;
  };
  std::vector<Found> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kTransmitDirectory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.') {
      continue;
    }
    std::error_code timeError;
    files.push_back({entry.last_write_time(timeError), name});
  }
  std::sort(files.begin(), files.end(), [](const Found& a, const Found& b) {
    return a.written != b.written ? a.written > b.written : a.name < b.name;
  });
  std::vector<std::string> items;
  for (const auto& f : files) {
    items.push_back(f.name);
  }
  for (int i = 0; i < ScriptHelp::kChooserLines; ++i) {
    items.push_back(help_.Line(i));
  }
  chooser_.SetItems(items);
}

void QueueCommands::OpenQueueEntryInEditor() {
  const int focus = queue_.FocusIndex();
  if (focus < 0) {
    return;
  }
  const QueueLineTokens tokens = SplitQueueLine(queue_.Text(focus));
  if (tokens.count != 3 || tokens.name[0] == '$') {
    return;
  }
  if (!launcher_.OpenInEditor(TransmitFilePath(tokens.name))) {
    log_.LogEvent("OpenQueueEntryInEditor : No text editor could be started for <" + tokens.name +
                  ">.");
  }
}

}  // namespace kestrix
