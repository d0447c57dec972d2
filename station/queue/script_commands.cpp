#include "station/queue/script_commands.h"

#include <cstdlib>
#include <string_view>

#include "common/number_text.h"
#include "common/text_case.h"
#include "station/config/menu_ids.h"
#include "station/config/tx_line.h"
#include "station/encoding/port_device_map.h"

namespace kestrix {

enum class ScriptCommands::Action {
  kMenuItem,
  kBaudRate,
  kPskFrequency,
  kPsk31,
  kFskFrequency,
  kCwid,
  kCwTimer,
  kTransmitterOn,
  kTransmitterOff,
  kDisable,
  kTxLine,
  kReload,
  kHeader,
  kDiddle,
  kPort,
};

namespace {

using Action = ScriptCommands::Action;

struct Command {
  std::string_view key;
  Action action;
  int argument = 0;
};

// The first key the command begins with decides, so longer forms ($B4567,
// $F1500) work and the order matters: "TEL" before "TX", "CWID"/"CWT"/"CWS"
// before "CW". The rates have their own table, with "B56000" before "B56".
constexpr Command kCommands[] = {
    {"ASC", Action::kMenuItem, menu::kModeAscii},
    {"ITA", Action::kMenuItem, menu::kModeIta2},
    {"TEL", Action::kMenuItem, menu::kModeTelex},
    {"MIL", Action::kMenuItem, menu::kModeMilitary},
    {"F15", Action::kPskFrequency, 1500},
    {"F16", Action::kPskFrequency, 1600},
    {"F17", Action::kPskFrequency, 1700},
    {"F18", Action::kPskFrequency, 1800},
    {"F19", Action::kPskFrequency, 1900},
    {"F20", Action::kPskFrequency, 2000},
    {"F21", Action::kPskFrequency, 2100},
    {"PSK", Action::kPsk31},
    {"FSK=", Action::kFskFrequency},
    {"CWID", Action::kCwid},
    {"CWT", Action::kCwTimer, 1},
    {"CWS", Action::kCwTimer, 0},
    {"CW", Action::kMenuItem, menu::kModeCw},
    {"TX", Action::kTransmitterOn},
    {"RX", Action::kTransmitterOff},
    {"DIS", Action::kDisable},
    {"B", Action::kBaudRate},  // $B45 .. $B56000
    {"RTS", Action::kTxLine, ID_RS232CONTROL_RTS},
    {"DTR", Action::kTxLine, ID_RS232CONTROL_DTR},
    {"REL", Action::kReload},
    {"HEA", Action::kHeader, 1},
    {"NOH", Action::kHeader, 0},
    {"DID", Action::kDiddle, 1},
    {"DIT", Action::kDiddle, 1},  // "$DITTLE", as the help list writes it
    {"NOD", Action::kDiddle, 0},
    {"COM", Action::kPort},
};

// Frequencies at or below this are taken for typing errors.
constexpr float kMinCentreFrequency = 200.0f;

}  // namespace

ScriptCommands::ScriptCommands(StationSettings& settings, EventLog& log, MenuControls& menus,
                               SettingsMenus& settingsMenus, Transmitter& transmitter,
                               TransmitCycle& cycle, QueueCommands& queueCommands,
                               CwIdentifier& cwid)
    : settings_(settings),
      log_(log),
      menus_(menus),
      settingsMenus_(settingsMenus),
      transmitter_(transmitter),
      cycle_(cycle),
      queueCommands_(queueCommands),
      cwid_(cwid) {}

void ScriptCommands::RunScriptCommand(const std::string& text) {
  const std::string command = UpperCase(text);
  for (const Command& entry : kCommands) {
    if (command.starts_with(entry.key)) {
      Run(entry.action, entry.argument, command);
      break;
    }
  }
  menus_.SetMenuCheck(menu::kTxLineFirst, menu::kTxLineLast, settings_.TxLine);
}

void ScriptCommands::Run(Action action, int argument, const std::string& command) {
  switch (action) {
    case Action::kMenuItem:
      settingsMenus_.OnCommand(argument);
      break;
    case Action::kBaudRate:
      settingsMenus_.OnCommand(SerialMenus::RateItemOfCommand(command));
      break;
    case Action::kPskFrequency:
      SetPskFrequency(static_cast<float>(argument));
      break;
    case Action::kPsk31: {
      settingsMenus_.OnCommand(menu::kModePsk31);
      constexpr std::string_view kSet = "PSK=";
      if (command.starts_with(kSet)) {
        const float hertz = LeadingFloat(command.c_str() + kSet.size());
        if (hertz > kMinCentreFrequency) {
          SetPskFrequency(hertz);
        }
      }
      break;
    }
    case Action::kFskFrequency: {
      const float hertz = LeadingFloat(command.c_str() + 4);
      if (hertz > kMinCentreFrequency) {
        settings_.fskFrequency = hertz;
      }
      break;
    }
    case Action::kCwid:
      cwid_.Cwid();
      break;
    case Action::kCwTimer:
      SetCwTimer(argument != 0);
      break;
    case Action::kTransmitterOn:
      transmitter_.CmTX();
      break;
    case Action::kTransmitterOff:
      transmitter_.CmRX();
      break;
    case Action::kDisable:
      cycle_.CmDisable();
      transmitter_.CmRX();
      break;
    case Action::kTxLine:
      settings_.TxLine = argument;
      break;
    case Action::kReload:
      queueCommands_.OnReload();
      break;
    case Action::kHeader:
      SetFlag(settings_.headerEnable, menu::kHeader, argument != 0);
      break;
    case Action::kDiddle:
      SetFlag(settings_.diddleEnable, menu::kDiddle, argument != 0);
      break;
    case Action::kPort:
      SwitchPort(command);
      break;
  }
}

// Survives the next transmitter-on, which otherwise sets the carrier from
// the mark tone.
void ScriptCommands::SetPskFrequency(float hertz) {
  settings_.pskFrequency = hertz;
  settings_.pskFrequencyFromScript = 1;
}

void ScriptCommands::SetFlag(std::atomic<int>& flag, int menuId, bool on) {
  flag = on ? 1 : 0;
  menus_.SetItemChecked(menuId, on);
}

void ScriptCommands::SetCwTimer(bool on) {
  SetFlag(settings_.cwTimerCheck, menu::kAutoCwIdTimer, on);
  cwid_.ApplyCwTimer();
}

// A port the probe did not find is refused: opening it would end the
// station, and a typing error in a schedule must not stop it.
void ScriptCommands::SwitchPort(const std::string& command) {
  const int number = ComPortNumber(command);
  if (number == 0) {
    log_.LogEvent("COMM Port is disabled");
    return;
  }
  if (!settingsMenus_.Serial().PortAvailable(number)) {
    log_.LogEvent("Error: Non-existant Port Number");
    return;
  }
  const std::string name = command.substr(0, 4);
  transmitter_.CmRX();
  settingsMenus_.Serial().SelectPort(menu::kPortCom1 + number - 1);
  log_.LogEvent("ComPort Changed to " + name);
}

}  // namespace kestrix
