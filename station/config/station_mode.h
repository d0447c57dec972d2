#pragma once
// Station mode numbers as stored in the MODE setting.

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

}  // namespace kestrix
