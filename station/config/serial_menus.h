#pragma once
// The serial-line menus: ComPort, BAUD_Rate and TU_Setup, the start-up
// probe of COM1..COM8 and the graying of the menus that need an open port.
// Window thread.

#include <array>
#include <functional>
#include <string_view>

#include "common/event_log.h"
#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"

namespace kestrix {

class SerialMenus {
 public:
  static constexpr int kPortCount = 8;

  SerialMenus(StationSettings& settings, EventLog& log, MenuControls& menus, SerialPort& port,
              TransmitBusy& busy);

  // Tries COM1..COM8 once: a port whose device opens is enabled in the
  // menu and remembered as available, the others are grayed.
  void ProbeSerialPorts();
  // `number` 1..8, as found by the probe.
  bool PortAvailable(int number) const;

  // menu::kPortDisabled .. menu::kPortCom8. This and SelectRate hold the
  // busy flag while they change the port, as a mode change does.
  void SelectPort(int menuId);
  // menu::kRateFirst .. menu::kRateLast: stores the rate and reopens an
  // open port with it.
  void SelectRate(int menuId);
  // Run after every rate change, so the sound path can follow it.
  void SetRateChangedWork(std::function<void()> work) { rateChanged_ = std::move(work); }
  // menu::kTxLineFirst .. menu::kTxLineLast.
  void SelectTxLine(int menuId);

  // Grays (or enables) BAUD_Rate, TU_Setup and Dovetron at once.
  void GraySerialMenus(bool gray);
  // Start-up: opens m_CommPort through its menu item when it names a port
  // the probe found, else logs why the station runs without a port.
  void OpenConfiguredPort();
  // Checks the BAUD_Rate item of the rate in force (none for a rate
  // without an item).
  void ShowRate();

  // The rate of a BAUD_Rate item, 0 for other ids.
  static float RateOf(int menuId);
  // The BAUD_Rate item a "$B" command names ("B50", "B4567" for 45.45,
  // "B56000" before "B56"), given without its "$" and in capitals; 0 when
  // it names none.
  static int RateItemOfCommand(std::string_view command);

 private:
  StationSettings& settings_;
  EventLog& log_;
  MenuControls& menus_;
  SerialPort& port_;
  TransmitBusy& busy_;
  std::array<bool, kPortCount> available_{};
  std::function<void()> rateChanged_ = [] {};
};

}  // namespace kestrix
