#pragma once
// The way out of the station: each code goes to the PSK31 modem, to the
// sound keying thread or to the serial port, by mode and sound card. One
// character is in flight at a time, so Pause and CANCEL act at the next one.

#include <atomic>
#include <memory>

#include "station/app/event_loop.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/sound_keyer.h"
#include "station/config/station_settings.h"
#include "station/encoding/code_output.h"
#include "station/encoding/serial_port.h"

namespace kestrix {

class OutputRouter final : public CodeOutput {
 public:
  OutputRouter(StationSettings& settings, EventLoop& loop, SerialPort& port, Psk31Modem& modem);

  // Blocks (dispatching window events on the window thread) until the path
  // has taken the code; on the serial path until the byte has left the UART.
  // Codes for a closed port are dropped.
  void SendCode(int code) override;

  // True when a code handed over now would go out without waiting behind
  // another one (the idle fill sends only then).
  bool PathIdle();
  // Hands a code over only if the path takes it without waiting; for the
  // idle fill. False when it was not sent.
  bool TrySendCode(int code);

  // The sound keying thread of the current transmission, if any. Shared, so
  // that a sender on another thread keeps it alive while a transmitter-off
  // on the window thread replaces it.
  std::shared_ptr<SoundKeyer> CurrentSoundKeyer() const { return soundKeyer_.load(); }
  void SetSoundKeyer(std::shared_ptr<SoundKeyer> keyer) { soundKeyer_.store(std::move(keyer)); }

 private:
  // The keyer that takes codes now: only while a sound card is chosen.
  std::shared_ptr<SoundKeyer> ActiveSoundKeyer() const;
  void SendToModem(int code);
  void SendToSoundKeyer(SoundKeyer& keyer, int code);
  void SendToSerialPort(int code);

  StationSettings& settings_;
  EventLoop& loop_;
  SerialPort& port_;
  Psk31Modem& modem_;
  std::atomic<std::shared_ptr<SoundKeyer>> soundKeyer_;
};

}  // namespace kestrix
