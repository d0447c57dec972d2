#pragma once
// "Add Multiple Files from Anywhere . . .": copies chosen files into the
// data directory, blanks in their names turned into "_", never replacing a
// file that is there, and queues each one copied. Window thread.

#include <string>
#include <vector>

#include "common/event_log.h"
#include "station/config/station_settings.h"
#include "station/queue/file_chooser.h"
#include "station/queue/queue_commands.h"

namespace kestrix {

class FileImport {
 public:
  static constexpr std::size_t kBlockSize = 512;

  FileImport(const StationSettings& settings, EventLog& log, FileChooser& chooser,
             QueueCommands& commands);

  // `sources` in the order the file dialog gave them. A file that cannot be
  // copied is logged; the others are still copied.
  void ImportFiles(const std::vector<std::string>& sources);

 private:
  bool Copy(const std::string& source, const std::string& target);

  const StationSettings& settings_;
  EventLog& log_;
  FileChooser& chooser_;
  QueueCommands& commands_;
};

}  // namespace kestrix
