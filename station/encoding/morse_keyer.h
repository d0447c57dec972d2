#pragma once
// Keys one character in Morse on a control line, timed in Morse ticks: dot
// 10, dash 20, 14 after each element, then the caller's character gap; a
// word space is 6 ticks. The Morse tick must be running.

#include "station/app/window_clock.h"
#include "station/config/station_settings.h"
#include "station/config/tx_line.h"
#include "station/encoding/serial_port.h"

namespace kestrix {

class MorseKeyer {
 public:
  static constexpr int kTicksPerUnit = 10;
  static constexpr int kElementGap = 14;
  static constexpr int kWordSpace = 6;
  static constexpr int kIdentificationGap = 13;
  static constexpr int kTextGap = 10;

  MorseKeyer(StationSettings& settings, WindowClock& clock, SerialPort& port);

  // Keys on the transmit line that TxLine chooses.
  void KeyMorseCharacter(int character, int trailingGap);
  // Keys on a given line (the identification may use its own line).
  void KeyMorseCharacterOn(ControlLine line, int character, int trailingGap);

 private:
  void Key(ControlLine line, bool down);

  StationSettings& settings_;
  WindowClock& clock_;
  SerialPort& port_;
};

}  // namespace kestrix
