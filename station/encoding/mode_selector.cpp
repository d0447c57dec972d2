#include "station/encoding/mode_selector.h"

#include "station/audio/modem_start_report.h"
#include "station/config/menu_ids.h"
#include "station/config/station_mode.h"

namespace kestrix {

namespace {
// Above this soundCardID there is no card for the modem.
constexpr int kLastCardForModem = 10;
}  // namespace

ModeSelector::ModeSelector(StationSettings& settings, EventLog& log, MessageBox& box,
                           MenuControls& menus, SerialPort& port, Psk31Modem& modem,
                           TransmitBusy& busy)
    : settings_(settings),
      log_(log),
      box_(box),
      menus_(menus),
      port_(port),
      modem_(modem),
      busy_(busy) {}

void ModeSelector::SelectMode(int menuId) {
  static constexpr FiveBitOrAscii kRows[] = {
      {menu::kModeMilitary, kModeMilitary, 5, 1, "Mode set to MILITARY"},
      {menu::kModeIta2, kModeIta2, 5, 1, "Mode set to ITA2"},
      {menu::kModeTelex, kModeTelex, 5, 1, "Mode set to TELEX"},
      {menu::kModeAscii, kModeAscii, 8, 0, "Mode set to ASCII"},
  };
  const auto hold = busy_.HoldForChange();
  for (const auto& row : kRows) {
    if (row.menuId == menuId) {
      SelectFramedMode(row);
      return;
    }
  }
  if (menuId == menu::kModePsk31) {
    SelectPsk31();
  } else if (menuId == menu::kModeCw) {
    SelectCw();
  }
}

void ModeSelector::SelectFramedMode(const FiveBitOrAscii& row) {
  menus_.SetMenuCheck(menu::kModeFirst, menu::kModeLast, row.menuId);
  settings_.MODE = row.mode;
  settings_.DATABITS = row.dataBits;
  settings_.stopBitsCode = row.stopBitsCode;
  if (port_.IsOpen()) {
    port_.OpenSerialPort(settings_.m_CommPort, settings_.BAUD, 0, row.dataBits, row.stopBitsCode);
  }
  modem_.Release();
  log_.LogEvent(row.logLine);
  modeChanged_();
}

void ModeSelector::SelectPsk31() {
  if (settings_.soundCardID > kLastCardForModem) {
    box_.Show("Please Select a Sound Card", "Kestrix", MessageBoxIcon::kNone);
    return;
  }
  settings_.MODE = kModePsk31;
  menus_.SetMenuCheck(menu::kModeFirst, menu::kModeLast, menu::kModePsk31);
  modem_.Release();
  // The sound keying worker lets go of the card before the modem takes it.
  modeChanged_();
  const int result = modem_.Start(settings_.soundCardID);
  ReportModemStart(result, log_, box_);
  if (result != 0) {
    // Without a running modem every PSK31 character would wait for ever:
    // the station goes back to Military as a whole.
    SelectMode(menu::kModeMilitary);
    return;
  }
  modem_.SetFrequency(static_cast<int>(settings_.pskFrequency.load()));
  // Chosen while on (a schedule's "$PSK31" between files): the modem sends
  // from here on, as it would after a transmitter-on.
  if (settings_.transmitOn) {
    modem_.StartTransmit(0);
  }
  log_.LogEvent("Mode set to PSK31");
}

void ModeSelector::SelectCw() {
  menus_.SetMenuCheck(menu::kModeFirst, menu::kModeLast, menu::kModeCw);
  settings_.MODE = kModeCw;
  modem_.Release();
  log_.LogEvent("Mode set to MORSE CODE");
  modeChanged_();
}

void ModeSelector::ShowMode() {
  static constexpr int kItemOfMode[] = {menu::kModeAscii,    menu::kModeIta2,  menu::kModeTelex,
                                        menu::kModeMilitary, menu::kModePsk31, menu::kModeCw};
  const int mode = settings_.MODE;
  for (int id = menu::kModeFirst; id <= menu::kModeLast; ++id) {
    menus_.SetItemChecked(id, mode >= 0 && mode < 6 && kItemOfMode[mode] == id);
  }
}

void ModeSelector::SelectKeyingSource(int menuId) {
  const bool teletype = menuId == menu::kDovetronTeletype;
  if (!teletype && menuId != menu::kDovetronComputer) {
    return;
  }
  port_.SetControlLine(ControlLine::kDtr, teletype);
  log_.LogEvent(teletype ? "Keying Source sets DTR for teletype control for the Dovetron modem"
                         : "Keying Source clears DTR for Computer control for the Dovetron modem");
  menus_.SetMenuCheck(menu::kDovetronComputer, menu::kDovetronTeletype, menuId);
}

}  // namespace kestrix
