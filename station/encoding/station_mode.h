#pragma once
// Station mode numbers as stored in the MODE setting, and the five-bit codes
// that have fixed roles on the line.

#include <cstdint>

namespace kestrix {

enum StationMode : int {
  kModeAscii = 0,
  kModeIta2 = 1,
  kModeTelex = 2,
  kModeMilitary = 3,
  kModePsk31 = 4,
  kModeCw = 5,
};

// True for the modes that send five-bit codes through the code table.
constexpr bool IsFiveBitMode(int mode) {
  return mode == kModeIta2 || mode == kModeTelex || mode == kModeMilitary;
}

namespace baudot {
constexpr std::uint8_t kBlank = 0;
constexpr std::uint8_t kLineFeed = 2;
constexpr std::uint8_t kSpace = 4;
constexpr std::uint8_t kCarriageReturn = 8;
constexpr std::uint8_t kFigures = 27;  // FIGS
constexpr std::uint8_t kLetters = 31;  // LTRS
constexpr std::uint8_t kNoCode = 127;  // a table cell that sends nothing
}  // namespace baudot

}  // namespace kestrix
