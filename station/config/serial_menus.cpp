#include "station/config/serial_menus.h"

#include <string>

#include "station/config/menu_ids.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/tx_line.h"

namespace kestrix {

namespace {

constexpr float kRates[] = {45.45f, 50.0f,   56.9f,   74.4f,   100.0f,   110.0f,   150.0f,  300.0f,
                            600.0f, 1200.0f, 2400.0f, 9600.0f, 19200.0f, 33600.0f, 56000.0f};
static_assert(std::size(kRates) == menu::kRateLast - menu::kRateFirst + 1);

std::string PortName(int number) {
  return "COM" + std::to_string(number);
}

}  // namespace

SerialMenus::SerialMenus(StationSettings& settings, EventLog& log, MenuControls& menus,
                         SerialPort& port)
    : settings_(settings), log_(log), menus_(menus), port_(port) {}

void SerialMenus::ProbeSerialPorts() {
  for (int number = 1; number <= kPortCount; ++number) {
    const bool found = port_.ProbePort(PortName(number)) == 0;
    available_[number - 1] = found;
    const int id = menu::kPortCom1 + number - 1;
    menus_.SetMenuRangeEnabled(id, id, !found);
  }
}

bool SerialMenus::PortAvailable(int number) const {
  return number >= 1 && number <= kPortCount && available_[number - 1];
}

void SerialMenus::SelectPort(int menuId) {
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
  menus_.SetMenuCheck(menu::kRateFirst, menu::kRateLast, menuId);
  settings_.BAUD = rate;
  // Without an open port there is nothing to reopen; the rate applies when
  // a port is chosen.
  if (port_.IsOpen()) {
    port_.OpenSerialPort(settings_.m_CommPort, rate, 0, settings_.DATABITS, settings_.stopBitsCode);
  }
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
  menus_.SetMenuRangeEnabled(menu::kRateFirst, menu::kRateLast, gray);
  menus_.SetMenuRangeEnabled(menu::kTxLineFirst, menu::kTxLineLast, gray);
  menus_.SetMenuRangeEnabled(menu::kDovetronComputer, menu::kDovetronTeletype, gray);
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
  return kRates[menuId - menu::kRateFirst];
}

}  // namespace kestrix
