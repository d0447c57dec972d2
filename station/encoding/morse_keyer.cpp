#include "station/encoding/morse_keyer.h"

#include "station/encoding/morse_code_table.h"

namespace kestrix {

MorseKeyer::MorseKeyer(StationSettings& settings, WindowClock& clock, SerialPort& port)
    : settings_(settings), clock_(clock), port_(port) {}

void MorseKeyer::KeyMorseCharacter(int character, int trailingGap) {
  KeyMorseCharacterOn(TransmitLine(settings_.TxLine), character, trailingGap);
}

void MorseKeyer::KeyMorseCharacterOn(ControlLine line, int character, int trailingGap) {
  const std::string_view entry = MorseCodeTable::Lookup(character);
  if (MorseCodeTable::IsWordSpace(entry)) {
    clock_.WaitMorseTicks(kWordSpace);
    return;
  }
  for (char element : entry) {
    if (element == ' ') {
      continue;
    }
    Key(line, true);
    clock_.WaitMorseTicks((element - '0') * kTicksPerUnit);
    Key(line, false);
    clock_.WaitMorseTicks(kElementGap);
  }
  clock_.WaitMorseTicks(trailingGap);
}

// With no open port or no keying line the timing still runs.
void MorseKeyer::Key(ControlLine line, bool down) {
  port_.SetControlLine(line, down);
}

}  // namespace kestrix
