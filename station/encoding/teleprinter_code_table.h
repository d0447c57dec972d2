#pragma once
// The ASCII to five-bit teleprinter table of the three five-bit modes.
// Constant data; every function here is pure and safe from any thread.

#include <array>
#include <cstdint>

namespace kestrix {

struct TeleprinterCodeRow {
  std::int32_t shift;  // baudot::kFigures, baudot::kLetters or 0 (no shift needed)
  std::uint8_t ita2Code;
  std::uint8_t telexCode;
  std::uint8_t militaryCode;
};

struct TeleprinterCode {
  std::int32_t shift;
  std::uint8_t code;  // baudot::kNoCode when the mode has nothing to send
  bool operator==(const TeleprinterCode&) const = default;
};

class TeleprinterCodeTable {
 public:
  static constexpr int kRows = 96;

  // The row a character uses: codes above 96 move down by 32 (lower case to
  // upper case), and whatever is then above 95, or negative, uses row 0.
  static int FoldIndex(int character);

  static const TeleprinterCodeRow& Row(int index);

  // Shift and code for a character in a mode: 1 ITA2, 2 TELEX, any other
  // number the Military column.
  static TeleprinterCode Lookup(int character, int mode);
};

}  // namespace kestrix
