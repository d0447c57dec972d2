#pragma once
// The teleprinter encoder: keeps the receiving machine's letters/figures
// shift in step with the text, turns line ends into CR CR LF LTRS, and
// expands the caret macros (date, time, bells). One encoder serves the whole
// station; its state lives for the whole run and nothing resets it.
// Callers never overlap: they hold TransmitBusy while they send.

#include <cstdint>

#include "common/event_loop.h"
#include "station/encoding/code_output.h"

namespace kestrix {

class CharacterEncoder {
 public:
  // What ExpandMacro gives for a character that sends nothing itself.
  static constexpr int kNothingToSend = '^';

  // `clock` gives the date and time of the macros (local time from the
  // process time zone).
  CharacterEncoder(CodeOutput& output, const TimeSource& clock);

  // Returns the character to send, or 94 ('^') when nothing is to be sent
  // for it. A character that completes a macro sends the expansion from
  // inside the call (through EncodeCharacter or SendCode, by mode).
  int ExpandMacro(int character, int mode);
  // Sends the codes for one character in a five-bit mode (1 ITA2, 2 TELEX,
  // any other value Military).
  void EncodeCharacter(int character, int mode);
  // One character of a text in any mode but CW: ASCII and PSK31 after the
  // macros, the five-bit modes in capitals through the shift logic.
  // Returns the character that went out, or kNothingToSend.
  int SendTextCharacter(unsigned char character, int mode);

  // The idle fill sent a letters shift outside the text: the receiving
  // machine is in letters now.
  void NoteLettersShiftSent() {
    shiftState_ = 31;
    lastCode_ = 31;
  }

  std::int8_t ShiftState() const { return shiftState_; }
  std::uint8_t LastCode() const { return lastCode_; }
  bool MacroPending() const { return macroPending_; }

 private:
  CodeOutput& output_;
  const TimeSource& clock_;
  std::int8_t shiftState_ = 0;
  std::uint8_t lastCode_ = 0;
  bool macroPending_ = false;
};

}  // namespace kestrix
