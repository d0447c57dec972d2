#pragma once
// The keying rates the station can send, one rule for every way a rate
// comes in (saved configuration, menus, scripts, kestrix-render).

namespace kestrix {

// A serial line runs at whole baud, and 0 baud hangs it up.
inline constexpr double kMinSendableBaud = 1.0;
// The highest BAUD_Rate item; much faster and a character block at 8000
// samples per second would hold no sample at all.
inline constexpr double kMaxSendableBaud = 56000.0;

// False for nan, the infinities, 0, negatives and whatever lies outside
// kMinSendableBaud..kMaxSendableBaud.
constexpr bool IsSendableRate(double baud) {
  return baud >= kMinSendableBaud && baud <= kMaxSendableBaud;
}

}  // namespace kestrix
