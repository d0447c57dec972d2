// A text sent through the encoder as a file goes out, in any mode, with
// its caret macros at any moment and in any time zone. In ASCII and PSK31
// the codes are the text's bytes with the macros expanded. In the five-bit
// modes every code is five bits, a receiving machine prints the expanded
// text in capitals (line ends aside) whether or not it drops to letters on
// a space, never gets a character before it knows the shift, and starts
// every line in letters after CR CR LF.
//
// Input: byte 0 chooses the mode (bits 0..2) and whether the idle fill
// sent a letters shift before (bit 3); bytes 1 and 2 choose the time zone
// and the moment (hours over some years); the rest is the text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/code_output.h"
#include "station/encoding/teleprinter_code_table.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::fuzzing::Require;
using kestrix::fuzzing::RequireSame;
namespace baudot = kestrix::baudot;

constexpr std::array<int, 6> kModes = {kestrix::kModeAscii, kestrix::kModeIta2,
                                       kestrix::kModeTelex, kestrix::kModeMilitary,
                                       kestrix::kModePsk31, kestrix::kModeMilitary};

struct Recorder final : kestrix::CodeOutput {
  void SendCode(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

constexpr std::array<const char*, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

std::string TwoDigits(int value) {
  return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// What a macro letter stands for at a moment; nothing for any other letter.
std::optional<std::string> MacroText(char letter, const std::tm& local, const std::tm& utc) {
  const std::string year = std::to_string(local.tm_year + 1900);
  switch (letter) {
    case 'D':
    case 'd':
      return std::string(kWeekdays[local.tm_wday]) + ", " + kMonths[local.tm_mon] + " " +
             std::to_string(local.tm_mday) + ", " + year;
    case 'L':
    case 'l':
      return std::string(kMonths[local.tm_mon]) + " " + TwoDigits(local.tm_mday) + ", " + year;
    case 'T':
    case 't':
      return TwoDigits(local.tm_hour) + ":" + TwoDigits(local.tm_min) + "(" + local.tm_zone + ")";
    case 'U':
    case 'u':
      return TwoDigits(utc.tm_hour) + ":" + TwoDigits(utc.tm_min) + "(UTC)";
    case 'W':
    case 'w':
      return std::string(kWeekdays[local.tm_wday]);
    default:
      return std::nullopt;
  }
}

// The text as it goes on the air: a caret and a digit are that many bells,
// a caret and a macro letter its text, a caret and anything else that
// thing; a caret never goes out itself. Five-bit modes see capitals.
std::string Expanded(std::string_view text, bool fiveBit, kestrix::WallClock::time_point when) {
  const std::tm local = kestrix::LocalTime(when);
  const std::time_t seconds = static_cast<std::time_t>(kestrix::ToTimeTag(when));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  std::string out;
  bool caret = false;
  for (const char byte : text) {
    const char c =
        fiveBit ? static_cast<char>(kestrix::UpperCase(static_cast<unsigned char>(byte))) : byte;
    if (c == '^') {
      caret = true;
      continue;
    }
    if (!caret) {
      out += c;
      continue;
    }
    caret = false;
    if (c >= '1' && c <= '9') {
      out.append(static_cast<std::size_t>(c - '0'), '\a');
    } else if (const std::optional<std::string> macro = MacroText(c, local, utc)) {
      out += *macro;
    } else {
      out += c;
    }
  }
  return out;
}

// What a receiving machine prints for a code in a shift: the first
// character of the table sent that way in the mode.
class Printer {
 public:
  explicit Printer(int mode) : mode_(mode) {
    for (int c = kestrix::TeleprinterCodeTable::kRows - 1; c >= 0; --c) {
      const kestrix::TeleprinterCode code = kestrix::TeleprinterCodeTable::Lookup(c, mode);
      if (code.code < 32) {
        (code.shift == baudot::kFigures ? figures_ : letters_)[code.code] = static_cast<char>(c);
      }
    }
  }

  // The character the table sends for `c`, as a machine prints it; nothing
  // when nothing printable is sent.
  std::optional<char> Printed(char c) const {
    const kestrix::TeleprinterCode code =
        kestrix::TeleprinterCodeTable::Lookup(static_cast<unsigned char>(c), mode_);
    switch (code.code) {
      case baudot::kNoCode:
      case baudot::kBlank:
      case baudot::kFigures:
      case baudot::kLetters:
      case baudot::kCarriageReturn:
        return std::nullopt;
      case baudot::kLineFeed:
        return '\n';
      case baudot::kSpace:
        return ' ';
      default:
        return (code.shift == baudot::kFigures ? figures_ : letters_)[code.code];
    }
  }

  // A machine's printout of the codes (CRs left out).
  std::string Receive(const std::vector<int>& codes, bool unshiftOnSpace) const {
    std::string text;
    int shift = 0;  // not known yet
    for (const int code : codes) {
      switch (code) {
        case baudot::kLetters:
        case baudot::kFigures:
          shift = code;
          break;
        case baudot::kBlank:
        case baudot::kCarriageReturn:
          break;
        case baudot::kLineFeed:
          text += '\n';
          break;
        case baudot::kSpace:
          text += ' ';
          if (unshiftOnSpace) {
            shift = baudot::kLetters;
          }
          break;
        default:
          Require(shift != 0, "a character sent before the receiver knows the shift");
          text += (shift == baudot::kFigures ? figures_ : letters_)[static_cast<std::size_t>(code)];
          break;
      }
    }
    return text;
  }

 private:
  int mode_;
  std::array<char, 32> letters_{};
  std::array<char, 32> figures_{};
};

void CheckFiveBit(const std::vector<int>& codes, const std::string& expanded, int mode,
                  bool lettersSent) {
  for (std::size_t i = 0; i < codes.size(); ++i) {
    Require(codes[i] >= 0 && codes[i] < 32, "a five-bit code outside 0..31");
    if (codes[i] == baudot::kLineFeed) {
      Require(i >= 2 && codes[i - 1] == baudot::kCarriageReturn &&
                  codes[i - 2] == baudot::kCarriageReturn,
              "a line feed without CR CR before it");
      Require(i + 1 < codes.size() && codes[i + 1] == baudot::kLetters,
              "a line that does not start in letters");
    }
  }
  const Printer printer(mode);
  std::string expected;
  for (const char c : expanded) {
    if (const std::optional<char> printed = printer.Printed(c)) {
      expected += *printed;
    }
  }
  // After the idle fill's letters shift the receiver knows it too.
  std::vector<int> heard = codes;
  if (lettersSent) {
    heard.insert(heard.begin(), baudot::kLetters);
  }
  RequireSame(printer.Receive(heard, false), expected, "a machine prints another text");
  RequireSame(printer.Receive(heard, true), expected,
              "a machine that unshifts on a space prints another text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const int mode = kModes[(data[0] & 7) % kModes.size()];
  const bool lettersSent = (data[0] & 8) != 0;
  kestrix::fuzzing::UseTimeZone(data[1]);
  // Hours from 2026 to about 2033, so every weekday, month and shift of
  // the clocks comes up.
  const kestrix::WallClock::time_point when =
      kestrix::WallClock::from_time_t(1767225600) + std::chrono::hours(data[2] * 251);
  const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);

  kestrix::testing::SimulatedEventLoop loop{when};
  Recorder out;
  kestrix::CharacterEncoder encoder(out, loop);
  if (lettersSent) {
    encoder.NoteLettersShiftSent();
  }
  for (const char c : text) {
    encoder.SendTextCharacter(static_cast<unsigned char>(c), mode);
  }
  const bool fiveBit = kestrix::IsFiveBitMode(mode);
  const std::string expanded = Expanded(text, fiveBit, when);
  if (fiveBit) {
    CheckFiveBit(out.codes, expanded, mode, lettersSent);
  } else {
    std::vector<int> expected;
    for (const char c : expanded) {
      expected.push_back(static_cast<unsigned char>(c) & 0x7F);
    }
    Require(out.codes == expected, "the codes are not the text with its macros");
  }
  Require(encoder.MacroPending() == (!text.empty() && text.back() == '^'),
          "a caret at the end is not kept for the next character");
  return 0;
}
