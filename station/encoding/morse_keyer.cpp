#include "station/encoding/morse_keyer.h"

#include <vector>

namespace kestrix {

MorseKeyer::MorseKeyer(StationSettings& settings, WindowClock& clock, SerialPort& port,
                       SoundKeyer& sound)
    : settings_(settings), clock_(clock), port_(port), sound_(sound) {}

void MorseKeyer::KeyMorseCharacter(int character, int trailingGap) {
  KeyMorseCharacterOn(TransmitLine(settings_.TxLine), character, trailingGap);
}

void MorseKeyer::KeyMorseCharacterOn(ControlLine line, int character, int trailingGap) {
  std::vector<MorseElement> elements;
  MorseCodeTable::AppendElements(character, trailingGap, elements);
  KeySequence(line, elements);
}

void MorseKeyer::KeySequence(ControlLine line, const std::vector<MorseElement>& elements) {
  ToSound(elements);
  for (const MorseElement& element : elements) {
    KeyLine(line, element);
  }
}

// The sound path gets the elements only while the ticks run: otherwise the
// line is not keyed for them either.
void MorseKeyer::ToSound(const std::vector<MorseElement>& elements) {
  if (!UsesSoundCard(settings_.soundCardID) || !clock_.MorseTickRunning()) {
    return;
  }
  for (const MorseElement& element : elements) {
    sound_.KeyMorse(element);
  }
}

// With no open port or no keying line the timing still runs.
void MorseKeyer::KeyLine(ControlLine line, const MorseElement& element) {
  if (element.down) {
    port_.SetControlLine(line, true);
  }
  clock_.WaitMorseTicks(element.ticks);
  if (element.down) {
    port_.SetControlLine(line, false);
  }
}

}  // namespace kestrix
