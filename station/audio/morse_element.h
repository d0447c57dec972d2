#pragma once
// One stretch of Morse keying as the sound path plays it: the key down or
// up for a number of Morse ticks.

namespace kestrix {

struct MorseElement {
  bool down = false;
  int ticks = 0;
  bool operator==(const MorseElement&) const = default;
};

}  // namespace kestrix
