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
  for (const MorseElement& element : elements) {
    Play(line, element);
  }
}

void MorseKeyer::KeyUpFor(int ticks) {
  Play(ControlLine::kNone, {false, ticks});
}

// With no open port or no keying line the timing still runs. The sound path
// gets the element only while the ticks run: otherwise the line is not
// keyed for it either.
void MorseKeyer::Play(ControlLine line, const MorseElement& element) {
  if (element.down) {
    port_.SetControlLine(line, true);
  }
  if (UsesSoundCard(settings_.soundCardID) && clock_.MorseTickRunning()) {
    sound_.KeyMorse(element);
  }
  clock_.WaitMorseTicks(element.ticks);
  if (element.down) {
    port_.SetControlLine(line, false);
  }
}

}  // namespace kestrix
