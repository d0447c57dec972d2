// Any "Kestrix.ini": every setting it can reach stays inside its range,
// a second reading of the same file changes nothing (only the file decides,
// nothing piles up from the reading before), the numbers do not depend on
// the language settings, and each text override's log line shows the value
// that was kept.
//
// Input: the file's bytes.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/event_log.h"
#include "common/text_case.h"
#include "station/config/initialization_file.h"
#include "station/config/station_settings.h"
#include "station/config/tx_line.h"
#include "station/encoding/port_device_map.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

// Every field the file can set, as one text, numbers in full.
std::string Snapshot(const kestrix::StationSettings& s, const kestrix::PortDeviceMap& devices) {
  std::string text;
  const auto add = [&text](std::string_view name, const std::string& value) {
    text.append(name).append("=").append(value).append("\n");
  };
  // Bit for bit, and no decimal point that a language could change.
  const auto number = [](double value) {
    return std::to_string(std::bit_cast<std::uint64_t>(value));
  };
  add("ports", std::to_string(s.SMTP_Port_Number1) + "," + std::to_string(s.SMTP_Port_Number2));
  add("telnet", std::to_string(s.QERVTelnetPortNumber));
  add("autoLine", std::to_string(s.QERVAutoLine72));
  add("subjectName", std::to_string(s.QERVUseSubjectFileName));
  for (const std::string& word : s.BadWordList) {
    add("bad", word);
  }
  add("email", s.QERVEmailAddress);
  add("callsign", s.QERVCallsign);
  add("commPort", s.m_CommPort);
  add("dataPath", s.QERVDataPath);
  add("txLine", std::to_string(s.TxLine));
  add("soundCard", std::to_string(s.soundCardID));
  add("autoStart", std::to_string(s.QERVAutoStart));
  add("header", std::to_string(s.headerEnable));
  add("schedule", std::to_string(s.scheduleEnable));
  add("mark", number(s.markTone));
  add("space", number(s.spaceTone));
  add("soundDevice", s.QERVSoundDevice);
  add("morseTick", std::to_string(s.QERVMorseTickMs));
  add("maxBytes", std::to_string(s.QERVMaxMessageBytes));
  add("listen", s.QERVListenAddress);
  add("allow", s.QERVAllowFrom);
  for (int n = 1; n <= 8; ++n) {
    const std::string port = "COM" + std::to_string(n);
    add(port, devices.DeviceFor(port));
  }
  return text;
}

void CheckRanges(const kestrix::StationSettings& s) {
  const int autoLine = s.QERVAutoLine72;
  Require(autoLine == 0 || (autoLine >= 46 && autoLine <= 80), "QERVAutoLine72 out of range");
  Require(s.QERVUseSubjectFileName == 0 || s.QERVUseSubjectFileName == 1,
          "QERVUseSubjectFileName not 0 or 1");
  Require(s.QERVMorseTickMs >= 1 && s.QERVMorseTickMs <= 1000, "QERVMorseTickMs out of range");
  Require(s.QERVMaxMessageBytes > 0, "QERVMaxMessageBytes not a size");
  const int txLine = s.TxLine;
  Require(txLine == kestrix::ID_RS232CONTROL_DISABLED || txLine == kestrix::ID_RS232CONTROL_RTS ||
              txLine == kestrix::ID_RS232CONTROL_DTR,
          "TxLine not one of the lines");
  Require(s.BadWordList.size() <= kestrix::kMaxBadWords, "more banned words than the list holds");
  for (const std::string& word : s.BadWordList) {
    Require(kestrix::UpperCase(word) == word, "a banned word not in capitals");
  }
  Require(s.QERVEmailAddress.size() <= kestrix::kEmailAddressSize, "QERVEmailAddress too long");
  Require(s.QERVCallsign.size() <= kestrix::kCallsignSize, "QERVCallsign too long");
  Require(s.m_CommPort.size() <= kestrix::kCommPortSize, "QERVCommPort too long");
  Require(s.QERVDataPath.size() <= kestrix::kDataPathSize, "QERVDataPath too long");
  Require(s.QERVSoundDevice.size() <= kestrix::kDataPathSize, "QERVSoundDevice too long");
  Require(s.QERVListenAddress.size() <= kestrix::kIpFieldSize, "QERVListenAddress too long");
  Require(s.QERVAllowFrom.size() <= kestrix::kAllowFromSize, "QERVAllowFrom too long");
}

// The logged part of a line ends at its first CR or LF; a value holding
// neither must show in its override's last log line exactly.
void CheckOverrideLogged(const std::vector<std::string>& log, std::string_view name,
                         const std::string& value) {
  const std::string opening = std::string(name) + " overridden and set to \"";
  for (auto line = log.rbegin(); line != log.rend(); ++line) {
    // Past the "hh:mm:ss > ".
    constexpr std::size_t at = 11;
    if (line->compare(at, opening.size(), opening) != 0) {
      continue;
    }
    // A text at the log's limit may have been cut.
    if (value.find_first_of("\r\n") != std::string::npos ||
        line->size() - at >= kestrix::EventLog::kMaxTextLength) {
      return;
    }
    Require(line->substr(at + opening.size()) == value + "\"",
            "an override's log line does not show the value kept");
    return;
  }
}

struct Reading {
  std::string snapshot;
  std::vector<std::string> log;
};

const kestrix::WallClock::time_point kNow = kt::LocalMoment(2026, 12, 8, 18, 0, 0);

// Reads the file, and with `again` a second time.
Reading Read(kestrix::StationSettings& settings, bool again) {
  kt::SimulatedEventLoop loop{kNow};
  kt::RecordingStatusList list;
  kt::RecordingMessageBox box;
  kestrix::EventLog log{loop, list, box};
  kestrix::PortDeviceMap devices;
  kestrix::InitializationFile file{settings, log, devices};

  Require(file.ReadInitializationFile() == 0, "the reading did not return 0");
  Reading first{Snapshot(settings, devices), list.lines};
  CheckRanges(settings);
  CheckOverrideLogged(first.log, "QERVEmailAddress", settings.QERVEmailAddress);
  CheckOverrideLogged(first.log, "QERVCallsign", settings.QERVCallsign);
  CheckOverrideLogged(first.log, "QERVCommPort", settings.m_CommPort);
  CheckOverrideLogged(first.log, "QERVDataPath", settings.QERVDataPath);
  CheckOverrideLogged(first.log, "QERVSoundDevice", settings.QERVSoundDevice);
  CheckOverrideLogged(first.log, "QERVListenAddress", settings.QERVListenAddress);
  CheckOverrideLogged(first.log, "QERVAllowFrom", settings.QERVAllowFrom);

  if (!again) {
    return first;
  }
  // Read again, the file sets everything it set before. (The log may
  // differ: a refused value's line tells the value kept, which the first
  // reading may have set.)
  list.lines.clear();
  Require(file.ReadInitializationFile() == 0, "the reading did not return 0");
  kestrix::fuzzing::RequireSame(Snapshot(settings, devices), first.snapshot,
                                "a second reading changed a setting");
  Require(list.lines.size() == first.log.size(), "a second reading logged more or less");
  return first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string ini(reinterpret_cast<const char*>(data), size);
  kestrix::fuzzing::FreshWorkingDirectory({kNow});
  kt::WriteFile(kestrix::InitializationFile::kFileName, ini);

  kestrix::StationSettings plain;
  const Reading inC = Read(plain, true);

  kestrix::StationSettings comma;
  Reading inGerman;
  {
    const kestrix::fuzzing::GermanNumbers german;
    inGerman = Read(comma, false);
  }
  kestrix::fuzzing::RequireSame(inGerman.snapshot, inC.snapshot,
                                "the settings depend on the language settings");
  Require(inGerman.log.size() == inC.log.size(), "the log depends on the language settings");
  for (std::size_t i = 0; i < inC.log.size(); ++i) {
    Require(inGerman.log[i].substr(11) == inC.log[i].substr(11),
            "the log depends on the language settings");
  }
  return 0;
}
