#pragma once
// Keys one character in Morse on a control line, timed in Morse ticks: dot
// 10, dash 20, 14 after each element, then the caller's character gap; a
// word space is 6 ticks. The Morse tick must be running. With a sound card
// chosen the same keying also goes to the sound path as a keyed tone.

#include <vector>

#include "station/app/window_clock.h"
#include "station/audio/morse_element.h"
#include "station/audio/sound_keyer.h"
#include "station/config/station_settings.h"
#include "station/config/tx_line.h"
#include "station/encoding/morse_code_table.h"
#include "station/encoding/serial_port.h"

namespace kestrix {

class MorseKeyer {
 public:
  static constexpr int kTicksPerUnit = MorseCodeTable::kTicksPerUnit;
  static constexpr int kElementGap = MorseCodeTable::kElementGap;
  static constexpr int kWordSpace = MorseCodeTable::kWordSpaceTicks;
  static constexpr int kIdentificationGap = 13;
  static constexpr int kTextGap = 10;

  MorseKeyer(StationSettings& settings, WindowClock& clock, SerialPort& port, SoundKeyer& sound);

  // Keys on the transmit line that TxLine chooses.
  void KeyMorseCharacter(int character, int trailingGap);
  // Keys on a given line (the identification may use its own line).
  void KeyMorseCharacterOn(ControlLine line, int character, int trailingGap);
  // Keys a whole run of elements (the identification with its lead-in and
  // tail). The sound path gets all of it at once, so its tone keeps the
  // exact timing however busy the window thread is when the ticks come.
  void KeySequence(ControlLine line, const std::vector<MorseElement>& elements);

 private:
  void ToSound(const std::vector<MorseElement>& elements);
  void KeyLine(ControlLine line, const MorseElement& element);

  StationSettings& settings_;
  WindowClock& clock_;
  SerialPort& port_;
  SoundKeyer& sound_;
};

}  // namespace kestrix
