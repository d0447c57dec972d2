#include "station/config/serial_menus.h"

#include <algorithm>
#include <string>

#include "station/audio/sendable_rate.h"
#include "station/config/menu_ids.h"
#include "station/config/tx_line.h"
#include "station/encoding/port_device_map.h"

namespace kestrix {

namespace {

// The rates of the BAUD_Rate items in order, with the script command that
// names each (matched by prefix, the longest that fits).
struct Rate {
  float baud;
  std::string_view command;
};
constexpr Rate kRates[] = {{45.45f, "B45"},      {50.0f, "B50"},       {56.9f, "B56"},
                           {74.4f, "B74"},       {100.0f, "B100"},     {110.0f, "B110"},
                           {150.0f, "B150"},     {300.0f, "B300"},     {600.0f, "B600"},
                           {1200.0f, "B1200"},   {2400.0f, "B2400"},   {9600.0f, "B9600"},
                           {19200.0f, "B19200"}, {33600.0f, "B33600"}, {56000.0f, "B56000"}};
static_assert(std::size(kRates) == menu::kRateLast - menu::kRateFirst + 1);
static_assert(std::ranges::all_of(kRates, [](const Rate& r) { return IsSendableRate(r.baud); }));

std::string PortName(int number) {
  return "COM" + std::to_string(number);
}

}  // namespace

SerialMenus::SerialMenus(StationSettings& settings, EventLog& log, MenuControls& menus,
                         SerialPort& port, TransmitBusy& busy)
    : settings_(settings), log_(log), menus_(menus), port_(port), busy_(busy) {}

void SerialMenus::ProbeSerialPorts() {
  for (int number = 1; number <= kPortCount; ++number) {
    const bool found = port_.ProbePort(PortName(number)) == 0;
    available_[number - 1] = found;
    const int id = menu::kPortCom1 + number - 1;
    menus_.SetMenuRangeGrayed(id, id, !found);
  }
}

bool SerialMenus::PortAvailable(int number) const {
  return number >= 1 && number <= kPortCount && available_[number - 1];
}

void SerialMenus::SelectPort(int menuId) {
  const auto hold = busy_.HoldForChange();
  if (menuId == menu::kPortDisabled) {
    menus_.SetMenuCheck(menu::kPortDisabled, menu::kPortCom8, menu::kPortDisabled);
    GraySerialMenus(true);
    const std::string previous = settings_.m_CommPort;
    settings_.m_CommPort = "Disabled";
    if (port_.IsOpen()) {
      port_.CloseSerialPort();
      log_.LogEvent("Comm Port \"" + previous + "\" closed");
    }
    return;
  }
  if (menuId < menu::kPortCom1 || menuId > menu::kPortCom8) {
    return;
  }
  menus_.SetMenuCheck(menu::kPortDisabled, menu::kPortCom8, menuId);
  GraySerialMenus(false);
  port_.OpenSerialPort(PortName(menuId - menu::kPortCom1 + 1), settings_.BAUD, 0,
                       settings_.DATABITS, settings_.stopBitsCode);
}

void SerialMenus::SelectRate(int menuId) {
  const float rate = RateOf(menuId);
  if (rate == 0.0f) {
    return;
  }
  const auto hold = busy_.HoldForChange();
  menus_.SetMenuCheck(menu::kRateFirst, menu::kRateLast, menuId);
  settings_.BAUD = rate;
  // Without an open port there is nothing to reopen; the rate applies when
  // a port is chosen.
  if (port_.IsOpen()) {
    port_.OpenSerialPort(settings_.m_CommPort, rate, 0, settings_.DATABITS, settings_.stopBitsCode);
  }
  rateChanged_();
}

void SerialMenus::SelectTxLine(int menuId) {
  if (menuId < menu::kTxLineFirst || menuId > menu::kTxLineLast) {
    return;
  }
  log_.LogEvent("Setting RS-232 control to " + std::string(TxLineName(menuId)));
  settings_.TxLine = menuId;
  menus_.SetMenuCheck(menu::kTxLineFirst, menu::kTxLineLast, menuId);
}

void SerialMenus::GraySerialMenus(bool gray) {
  menus_.SetMenuRangeGrayed(menu::kRateFirst, menu::kRateLast, gray);
  menus_.SetMenuRangeGrayed(menu::kTxLineFirst, menu::kTxLineLast, gray);
  menus_.SetMenuRangeGrayed(menu::kDovetronComputer, menu::kDovetronTeletype, gray);
}

void SerialMenus::OpenConfiguredPort() {
  const std::string name = settings_.m_CommPort;
  const int number = ComPortNumber(name);
  if (PortAvailable(number)) {
    SelectPort(menu::kPortCom1 + number - 1);
  } else {
    log_.LogEvent("Invalid Comport \"" + name + "\" requested and is not available");
  }
}

void SerialMenus::ShowRate() {
  for (int id = menu::kRateFirst; id <= menu::kRateLast; ++id) {
    menus_.SetItemChecked(id, RateOf(id) == settings_.BAUD);
  }
}

float SerialMenus::RateOf(int menuId) {
  if (menuId < menu::kRateFirst || menuId > menu::kRateLast) {
    return 0.0f;
  }
  return kRates[menuId - menu::kRateFirst].baud;
}

int SerialMenus::RateItemOfCommand(std::string_view command) {
  int found = 0;
  std::size_t longest = 0;
  for (int id = menu::kRateFirst; id <= menu::kRateLast; ++id) {
    const std::string_view key = kRates[id - menu::kRateFirst].command;
    // "B56000" over "B56".
    if (command.starts_with(key) && key.size() > longest) {
      found = id;
      longest = key.size();
    }
  }
  return found;
}

}  // namespace kestrix
