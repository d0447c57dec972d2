#pragma once
// The transmitter switch: transmitter on and off with the push-to-talk line
// that TxLine chooses, the PSK31 modem's transmit state, the sound keying
// worker of each transmission, and the break signal.

#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/text_field.h"
#include "station/app/window_clock.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/sound_keyer.h"
#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"
#include "station/encoding/serial_port.h"

namespace kestrix {

struct TransmitterControls {
  MenuControls& menus;
  TextField& transmitStatus;  // the "Transmit" status field
  TextField& cwIdCountdown;   // "CWId"
};

class Transmitter {
 public:
  static constexpr int kSampleRate = 8000;

  Transmitter(StationSettings& settings, EventLoop& loop, EventLog& log, WindowClock& clock,
              SerialPort& port, Psk31Modem& modem, SoundKeyer& soundKeyer,
              TransmitterControls controls);

  // Transmitter on; nothing when it is on already. Any thread.
  void CmTX();
  // Transmitter off; nothing when it is off already. On the sound path it
  // returns once the worker has played out and let go of the card. Any
  // thread.
  void CmRX();
  // A new mode or rate while the transmitter is on: with a sound card the
  // worker is started again with the new framing and rate, or stopped in
  // PSK31 and CW, which need none. Nothing while the transmitter is off.
  // Window thread.
  void FollowModeAndRate();
  // The port was (re)opened, which dropped its lines: a transmitter that is
  // on is keyed again, and a break in progress held again.
  void KeepLinesAfterOpen();
  // "Send Break Signal": the first use holds the line at space with the
  // transmitter on until the next use ends it. Window thread.
  void ToggleBreakSignal();

 private:
  void SetTransmitLine(bool on);
  void StartSoundKeyer();
  void OnWindowThread(EventLoop::Call call);

  StationSettings& settings_;
  EventLoop& loop_;
  EventLog& log_;
  WindowClock& clock_;
  SerialPort& port_;
  Psk31Modem& modem_;
  SoundKeyer& soundKeyer_;
  TransmitterControls controls_;
};

}  // namespace kestrix
