#pragma once
// The way out to the air: the serial port, the sound keying thread, the
// output router, the transmitter, the Morse keyer, the mode selector, the
// character encoder with its busy flag and the idle fill. Built from the
// port outwards, so each piece is handed only pieces that exist already.

#include "common/event_log.h"
#include "common/event_loop.h"
#include "station/app/station_devices.h"
#include "station/app/station_window.h"
#include "station/app/window_clock.h"
#include "station/audio/sound_keying_thread.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/idle_fill.h"
#include "station/encoding/mode_selector.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/output_router.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"

namespace kestrix {

class TransmitSide {
 public:
  TransmitSide(StationSettings& settings, EventLoop& loop, EventLog& log, WindowClock& clock,
               const PortDeviceMap& portDevices, StationWindow& window, StationDevices devices,
               const WindowClock::EndProcess& endProcess);

  TransmitSide(const TransmitSide&) = delete;
  TransmitSide& operator=(const TransmitSide&) = delete;

  SerialPort& Port() { return serialPort_; }
  OutputRouter& Router() { return router_; }
  Transmitter& Transmit() { return transmitter_; }
  MorseKeyer& Morse() { return morse_; }
  ModeSelector& Modes() { return modes_; }
  CharacterEncoder& Encoder() { return encoder_; }
  TransmitBusy& Busy() { return transmitBusy_; }
  IdleFill& Idle() { return idleFill_; }

 private:
  SerialPort serialPort_;
  // Destroyed after everything that keys through it; its workers use only
  // what was built before it. Its failures switch the transmitter off from
  // a posted event, never while the station is being torn down.
  ToneState tones_;
  SoundKeyingThread soundKeying_;
  OutputRouter router_;
  Transmitter transmitter_;
  MorseKeyer morse_;
  TransmitBusy transmitBusy_;
  ModeSelector modes_;
  CharacterEncoder encoder_;
  IdleFill idleFill_;
};

}  // namespace kestrix
