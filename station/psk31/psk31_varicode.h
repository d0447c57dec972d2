#pragma once
// The PSK31 varicode: each character a run of bits beginning and ending
// with 1, with no two zeros in a row, so that "00" separates characters.

#include <string_view>

namespace kestrix {

class Psk31Varicode {
 public:
  // The bits ('0', '1') of a character; only its low seven bits count.
  static std::string_view Code(int character);
};

}  // namespace kestrix
