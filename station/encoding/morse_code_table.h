#pragma once
// The Morse table of the CW keyer: six positions per character, '1' a dot,
// '2' a dash, ' ' empty; an entry starting with '3' is the word space.

#include <string_view>
#include <vector>

#include "station/audio/morse_element.h"

namespace kestrix {

class MorseCodeTable {
 public:
  static constexpr int kEntries = 71;  // space (32) .. 'f' (102)
  static constexpr std::string_view kWordSpace = "3     ";

  // Entry index of a character: upper-cased, minus 32; negative indices and
  // those past the table are the word space.
  static int Index(int character);
  static std::string_view Entry(int index);
  static std::string_view Lookup(int character);
  static bool IsWordSpace(std::string_view entry) { return !entry.empty() && entry[0] == '3'; }

  // Tick counts of the keying.
  static constexpr int kTicksPerUnit = 10;  // a dot; a dash is two
  static constexpr int kElementGap = 14;
  static constexpr int kWordSpaceTicks = 6;

  // The keying of one character in order: each element down for its
  // units, then up for the element gap; then up for `trailingGap`. A word
  // space is up for kWordSpaceTicks and nothing more.
  static void AppendElements(int character, int trailingGap, std::vector<MorseElement>& out);
};

}  // namespace kestrix
