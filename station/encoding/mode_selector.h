#pragma once
// The "Mode" menu (also used by script commands): sets the station mode and
// the framing that goes with it, reopens the serial line for the new
// framing and hands the sound card to or from the PSK31 modem. Also the
// "Dovetron" keying-source commands. Window thread.

#include <functional>

#include "common/event_log.h"
#include "common/message_box.h"
#include "station/audio/psk31_modem.h"
#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"

namespace kestrix {

class ModeSelector {
 public:
  ModeSelector(StationSettings& settings, EventLog& log, MessageBox& box, MenuControls& menus,
               SerialPort& port, Psk31Modem& modem, TransmitBusy& busy);

  // `menuId` is one of the six Mode items (menu::kModeMilitary ..
  // menu::kModeCw); other ids do nothing. Holds the busy flag meanwhile,
  // so no line sent from another thread sees the change half made.
  void SelectMode(int menuId);
  // menu::kDovetronComputer or menu::kDovetronTeletype.
  void SelectKeyingSource(int menuId);
  // Checks the Mode item of the mode in force.
  void ShowMode();
  // Run after every mode change, so the sound path can follow it.
  void SetModeChangedWork(std::function<void()> work) { modeChanged_ = std::move(work); }

 private:
  struct FiveBitOrAscii {
    int menuId;
    int mode;
    int dataBits;
    int stopBitsCode;
    const char* logLine;
  };

  void SelectFramedMode(const FiveBitOrAscii& row);
  void SelectPsk31();
  void SelectCw();

  StationSettings& settings_;
  EventLog& log_;
  MessageBox& box_;
  MenuControls& menus_;
  SerialPort& port_;
  Psk31Modem& modem_;
  TransmitBusy& busy_;
  std::function<void()> modeChanged_ = [] {};
};

}  // namespace kestrix
