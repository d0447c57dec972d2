#pragma once
// The way out of the station: each code goes to the PSK31 modem, to the
// sound keying thread or to the serial port, by mode and sound card. One
// character is in flight at a time, so Pause and CANCEL act at the next one.
// With a sound card chosen no code ever goes to the serial port: the line
// keys the radio, and bytes on it would reach a terminal unit there.

#include "common/event_loop.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/sound_keyer.h"
#include "station/config/station_settings.h"
#include "station/encoding/code_output.h"
#include "station/encoding/modem_output_path.h"
#include "station/encoding/serial_output_path.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/sound_output_path.h"

namespace kestrix {

class OutputRouter final : public CodeOutput {
 public:
  OutputRouter(StationSettings& settings, EventLoop& loop, SerialPort& port, Psk31Modem& modem,
               SoundKeyer& soundKeyer);

  // Blocks (dispatching window events on the window thread) until the path
  // has taken the code; on the serial path until the byte has left the UART.
  // Codes for a closed port are dropped; so are codes for the sound card
  // while no worker plays (the transmitter is off, or the card failed). A
  // code handed over while the worker is starting waits for it.
  void SendCode(int code) override { Current().Send(code); }
  // Why codes for the sound card are lost now; empty on the other paths.
  std::string LostBecause() override { return Current().LostBecause(); }

  // True when a code handed over now would go out without waiting behind
  // another one (the idle fill sends only then).
  bool PathIdle() { return Current().Idle(); }
  // Hands a code over only if the path takes it without waiting; for the
  // idle fill. False when it was not sent.
  bool TrySendCode(int code) { return Current().TrySend(code); }

 private:
  // The path of the current mode and sound card.
  OutputPath& Current();

  const StationSettings& settings_;
  SerialOutputPath serial_;
  SoundOutputPath sound_;
  ModemOutputPath modem_;
};

}  // namespace kestrix
