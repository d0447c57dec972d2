#pragma once
// The codes a fresh encoder gives a text: what a test looks for in the
// bytes a recording serial line took. Its clock stands at `when`, for the
// date and time macros.

#include <string>
#include <vector>

#include "station/encoding/character_encoder.h"
#include "station/encoding/code_output.h"
#include "tests/common_support/simulated_event_loop.h"

namespace kestrix::testing {

inline std::vector<int> FreshEncoderCodes(const std::string& text, int mode,
                                          WallClock::time_point when,
                                          bool lettersShiftSent = false) {
  SimulatedEventLoop loop{when};
  struct Out : CodeOutput {
    void SendCode(int code) override { codes.push_back(code); }
    std::vector<int> codes;
  } out;
  CharacterEncoder fresh(out, loop);
  if (lettersShiftSent) {
    fresh.NoteLettersShiftSent();
  }
  for (char c : text) {
    fresh.EncodeCharacter(static_cast<unsigned char>(c), mode);
  }
  return out.codes;
}

}  // namespace kestrix::testing
