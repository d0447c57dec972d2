#pragma once
// Reads the operator's "Kestrix.ini" at start-up: each recognised key
// overrides one setting and leaves a line in the event log, so the log
// shows where every setting came from. Window thread, before any other
// thread runs.

#include <cstddef>
#include <string>

#include "common/event_log.h"
#include "station/config/station_settings.h"
#include "station/encoding/port_device_map.h"

namespace kestrix {

class InitializationFile {
 public:
  static constexpr const char* kFileName = "Kestrix.ini";

  InitializationFile(StationSettings& settings, EventLog& log, PortDeviceMap& portDevices);

  // Resets the intake settings, then applies the file's keys line by line.
  // A missing file is logged and leaves the start values. Always 0.
  int ReadInitializationFile();

  // Applies one line as read from the file (without its line end); exposed
  // for the line-by-line rules.
  void ApplyLine(std::string line);

 private:
  void OverrideText(std::string& field, const std::string& value, std::size_t size,
                    const char* name);
  void AddBadWord(const std::string& word);
  void MapSerialDevice(const std::string& value);
  void SetMorseTick(int milliseconds);

  StationSettings& settings_;
  EventLog& log_;
  PortDeviceMap& portDevices_;
  bool badWordOverflowLogged_ = false;  // one line per read, not one per ignored word
};

}  // namespace kestrix
