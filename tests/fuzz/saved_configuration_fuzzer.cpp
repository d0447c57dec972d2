// Any "Kestrix.cfg" restored, then saved, restored and saved again: the two
// saves must be byte for byte the same (what the station writes it reads
// back unchanged), each save must be the 33 fixed lines, and neither the
// restore nor the save may depend on the language settings.
//
// Input: the file's bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/event_log.h"
#include "station/app/clock_ticks.h"
#include "station/config/menu_ids.h"
#include "station/config/recipient_menu.h"
#include "station/config/saved_configuration.h"
#include "station/config/serial_menus.h"
#include "station/config/settings_menus.h"
#include "station/config/sound_card_menu.h"
#include "station/config/station_settings.h"
#include "station/encoding/mode_selector.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

constexpr std::array<std::string_view, kestrix::SavedConfiguration::kLineCount> kNames = {
    "m_CommPort",
    "BAUD",
    "TxLine",
    "MODE",
    "DATABITS",
    "timerTick",
    "morseTick",
    "CWTimer",
    "scheduleEnable",
    "transferCancel",
    "notSending",
    "transferSend",
    "sendNow",
    "localLock",
    "headerEnable",
    "QERVAutoStart",
    "diddleEnable",
    "transmitOn",
    "sendBreakSignal",
    "checkNoTimer",
    "soundCardID",
    "cwTimerCheck",
    "markTone",
    "spaceTone",
    "ipAddress",
    "ipPort",
    "ipAuthentication",
    "QERVAutoLine72",
    "QERVUseSubjectFileName",
    "SMTP_Port_Number1",
    "SMTP_Port_Number2",
    "QERVEmailAddress",
    "QERVTelnetPortNumber ",
};

// The settings menus and the saved configuration over recording controls,
// as the station puts them together.
const kestrix::WallClock::time_point kNow = kt::LocalMoment(2026, 12, 8, 18, 0, 0);

struct Configuration {
  Configuration() { menus.SetItemText(kestrix::menu::kRecipientOther, "OTHER@"); }

  kt::SimulatedEventLoop loop{kNow};
  kt::RecordingStatusList list;
  kt::RecordingMessageBox box;
  kestrix::EventLog log{loop, list, box};
  kestrix::StationSettings settings;
  kestrix::ClockTicks ticks;
  kt::RecordingMenuControls menus;
  kt::RecordingSerialLine line{loop};
  kestrix::PortDeviceMap devices;
  kestrix::SerialPort port{line, loop, devices, settings, log, box, [](int) {}};
  kt::RecordingPsk31Modem modem;
  kestrix::TransmitBusy busy{loop};
  kestrix::ModeSelector modes{settings, log, box, menus, port, modem, busy};
  kestrix::SerialMenus serial{settings, log, menus, port, busy};
  kestrix::SoundCardMenu soundCards{settings, menus};
  kestrix::RecipientMenu recipients{settings, log, menus};
  kestrix::SettingsMenus settingsMenus{settings, menus, modes, serial, soundCards, recipients};
  kestrix::SavedConfiguration configuration{settings, ticks, log, settingsMenus};
};

std::string Save(Configuration& c) {
  c.configuration.SaveConfiguration();
  return kt::ReadFile(kestrix::SavedConfiguration::kFileName);
}

void CheckLines(const std::string& saved) {
  std::string_view rest = saved;
  for (std::string_view name : kNames) {
    const std::size_t end = rest.find("\r\n");
    Require(end != std::string_view::npos, "a saved file with fewer than 33 lines");
    const std::string_view line = rest.substr(0, end);
    const std::size_t tab = line.rfind('\t');
    Require(tab != std::string_view::npos && line.substr(tab + 1) == name,
            "a saved line without its field name");
    Require(tab >= 15, "a saved value not padded to 15");
    Require(line.substr(0, tab).find_first_of("\r\n") == std::string_view::npos,
            "a saved value that breaks its line");
    rest.remove_prefix(end + 2);
  }
  Require(rest.empty(), "a saved file with more than 33 lines");
}

// Restores `file` and saves; with `again`, restores that and saves again,
// which must give the same bytes.
std::string RoundTrip(const std::string& file, bool again) {
  Configuration c;
  kt::WriteFile(kestrix::SavedConfiguration::kFileName, file);
  c.configuration.RestoreConfiguration();
  const std::string first = Save(c);
  CheckLines(first);
  if (again) {
    c.configuration.RestoreConfiguration();
    kestrix::fuzzing::RequireSame(Save(c), first, "a saved file did not come back as it was saved");
  }
  return first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  kestrix::fuzzing::FreshWorkingDirectory({kNow});

  const std::string inC = RoundTrip(file, true);
  std::string inGerman;
  {
    const kestrix::fuzzing::GermanNumbers german;
    inGerman = RoundTrip(file, false);
  }
  kestrix::fuzzing::RequireSame(inGerman, inC, "the saved file depends on the language settings");
  return 0;
}
