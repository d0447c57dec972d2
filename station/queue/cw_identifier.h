#pragma once
// The station's identification: "cwid.txt" in the current mode, then
// "de CALL CALL" in Morse (or through the PSK31 modem), on demand and
// every hour of transmitter-on time. Window thread.

#include <string>

#include "common/event_log.h"
#include "common/message_box.h"
#include "common/text_field.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "station/queue/file_transmitter.h"
#include "station/queue/script_command_runner.h"
#include "station/queue/script_help.h"
#include "station/queue/transmit_cycle.h"

namespace kestrix {

struct CwIdControls {
  MenuControls& menus;
  TextField& cwIdCountdown;  // control::kCwIdCountdown, "CWId"
  TextField& windowTitle;
  MessageBox& box;
};

class CwIdentifier final : public CwIdentification, public CwIdCommands {
 public:
  static constexpr std::size_t kTextSize = 59;  // a 60-character field
  static constexpr int kLeadTicks = 50;
  static constexpr int kPskIdSeconds = 15;

  CwIdentifier(StationSettings& settings, EventLog& log, WindowClock& clock,
               Transmitter& transmitter, FileTransmitter& files, MorseKeyer& morse,
               Psk31Modem& modem, TransmitBusy& busy, ScriptHelp& help, const TransmitCycle& cycle,
               CwIdControls controls);

  // "de CALL CALL", its help line and the window title with the call
  // sign spelled out.
  void BuildCwidText(const std::string& callSign);
  const std::string& Text() const { return text_; }

  // One identification with the identification text.
  void Cwid() override;
  // CWTimer and "CWId" in line with cwTimerCheck; identifies at once when
  // the timer is on and the transmitter is on and idle.
  void ApplyCwTimer();

  void OnSendCwid() override;
  void OnSendCwIdNow() override;
  void OnAutoCwIdTimer() override;

 private:
  bool TransmissionRuns() const;
  void RefuseBusy();
  void KeyInMorse();
  void SendThroughModem();

  StationSettings& settings_;
  EventLog& log_;
  WindowClock& clock_;
  Transmitter& transmitter_;
  FileTransmitter& files_;
  MorseKeyer& morse_;
  Psk31Modem& modem_;
  TransmitBusy& busy_;
  ScriptHelp& help_;
  const TransmitCycle& cycle_;
  CwIdControls controls_;
  std::string text_;
};

}  // namespace kestrix
