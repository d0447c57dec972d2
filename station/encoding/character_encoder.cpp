#include "station/encoding/character_encoder.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_case.h"
#include "common/time_tag.h"
#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"
#include "station/encoding/teleprinter_code_table.h"

namespace kestrix {
namespace {

constexpr int kCaret = '^';
constexpr int kBell = 7;
// Longest macro expansion put on the air.
constexpr std::size_t kMaxMacroText = 79;

// Fixed English names: the air text must not change with the desktop locale.
constexpr std::array<std::string_view, 7> kWeekdays = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
};
constexpr std::array<std::string_view, 12> kMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December",
};

// ASCII and PSK31 carry the characters themselves; the rest go through the
// five-bit table.
bool SendsRawCharacters(int mode) {
  return mode == kModeAscii || mode == kModePsk31;
}

std::string TwoDigits(int value) {
  return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string HoursMinutes(const std::tm& tm) {
  return TwoDigits(tm.tm_hour) + ":" + TwoDigits(tm.tm_min);
}

std::string Weekday(const std::tm& tm) {
  return std::string(kWeekdays.at(static_cast<std::size_t>(tm.tm_wday)));
}

std::string Month(const std::tm& tm) {
  return std::string(kMonths.at(static_cast<std::size_t>(tm.tm_mon)));
}

std::string Year(const std::tm& tm) {
  return std::to_string(tm.tm_year + 1900);
}

// "Tuesday, May 2, 2001"
std::string LongDate(const std::tm& tm) {
  return Weekday(tm) + ", " + Month(tm) + " " + std::to_string(tm.tm_mday) + ", " + Year(tm);
}

// "May 02, 2001"
std::string ShortDate(const std::tm& tm) {
  return Month(tm) + " " + TwoDigits(tm.tm_mday) + ", " + Year(tm);
}

// "(PST)": a one-word zone name as it is, a longer one ("Pacific Standard
// Time") shortened to the initials of its first three words.
std::string ZoneTag(const std::tm& tm) {
  char name[128] = {};
  if (std::strftime(name, sizeof name, "%Z", &tm) == 0) {
    return {};
  }
  std::vector<std::string_view> words;
  const std::string_view text(name);
  std::size_t pos = 0;
  while (words.size() < 3) {
    pos = text.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) {
      break;
    }
    const std::size_t end = std::min(text.find_first_of(" \t", pos), text.size());
    words.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  if (words.size() == 1) {
    return "(" + std::string(words[0]) + ")";
  }
  std::string tag = "(";
  for (std::string_view word : words) {
    tag += word.front();
  }
  return tag + ")";
}

}  // namespace

CharacterEncoder::CharacterEncoder(CodeOutput& output, const TimeSource& clock)
    : output_(output), clock_(clock) {}

int CharacterEncoder::ExpandMacro(int character, int mode) {
  if (character == kCaret) {
    macroPending_ = true;
    return kCaret;
  }
  if (!macroPending_) {
    return character;
  }
  macroPending_ = false;

  if (character >= '1' && character <= '9') {
    const int bells = character - '0';
    if (SendsRawCharacters(mode)) {
      for (int i = 0; i < bells; ++i) {
        output_.SendCode(kBell);
      }
      return kCaret;
    }
    // The bell is a figure; come back to letters so the text after the
    // bells prints on any machine.
    output_.SendCode(baudot::kFigures);
    const int bellCode = TeleprinterCodeTable::Lookup(kBell, mode).code;
    for (int i = 0; i < bells; ++i) {
      output_.SendCode(bellCode);
    }
    output_.SendCode(baudot::kLetters);
    shiftState_ = static_cast<std::int8_t>(baudot::kLetters);
    lastCode_ = baudot::kLetters;
    return kCaret;
  }

  const WallClock::time_point now = clock_.Now();
  std::string text;
  switch (character) {
    case 'D':
    case 'd':
      text = LongDate(LocalTime(now));
      break;
    case 'L':
    case 'l':
      text = ShortDate(LocalTime(now));
      break;
    case 'T':
    case 't': {
      const std::tm local = LocalTime(now);
      text = HoursMinutes(local) + ZoneTag(local);
      break;
    }
    case 'U':
    case 'u': {
      const std::time_t seconds = static_cast<std::time_t>(ToTimeTag(now));
      std::tm utc{};
      gmtime_r(&seconds, &utc);
      text = HoursMinutes(utc) + "(UTC)";
      break;
    }
    case 'W':
    case 'w':
      text = Weekday(LocalTime(now));
      break;
    default:
      // Not a macro letter: the caret is dropped and the character goes out.
      return character;
  }

  if (text.size() > kMaxMacroText) {
    text.resize(kMaxMacroText);
  }
  for (const char ch : text) {
    const int c = static_cast<unsigned char>(ch);
    if (SendsRawCharacters(mode)) {
      output_.SendCode(c & 0x7F);
    } else {
      EncodeCharacter(c, mode);
    }
  }
  return kCaret;
}

void CharacterEncoder::EncodeCharacter(int character, int mode) {
  const int c = ExpandMacro(character, mode);
  const TeleprinterCode entry = TeleprinterCodeTable::Lookup(c, mode);
  switch (entry.code) {
    case baudot::kNoCode:
      return;
    case baudot::kCarriageReturn:
      // CR twice gives the carriage time to return; a CR straight after one
      // adds nothing.
      if (lastCode_ != baudot::kCarriageReturn) {
        output_.SendCode(baudot::kCarriageReturn);
        output_.SendCode(baudot::kCarriageReturn);
      }
      lastCode_ = baudot::kCarriageReturn;
      return;
    case baudot::kLineFeed:
      // Every new line starts in letters, so a receiver that lost the shift
      // (or joined late) prints the next line right.
      if (lastCode_ != baudot::kCarriageReturn) {
        output_.SendCode(baudot::kCarriageReturn);
        output_.SendCode(baudot::kCarriageReturn);
      }
      output_.SendCode(baudot::kLineFeed);
      output_.SendCode(baudot::kLetters);
      shiftState_ = static_cast<std::int8_t>(baudot::kLetters);
      lastCode_ = baudot::kLineFeed;
      return;
    case baudot::kSpace:
    case baudot::kLetters:
      // Machines with unshift-on-space drop to letters after a space; LTRS
      // puts the others there too, so every receiver agrees. A space while
      // the shift is not known (from the start, after a blank) leaves it
      // so: a machine without unshift-on-space may still be in figures.
      output_.SendCode(entry.code);
      if (shiftState_ == baudot::kFigures) {
        output_.SendCode(baudot::kLetters);
      }
      if (shiftState_ != 0 || entry.code == baudot::kLetters) {
        shiftState_ = static_cast<std::int8_t>(baudot::kLetters);
      }
      lastCode_ = entry.code;
      return;
    case baudot::kFigures:
      output_.SendCode(baudot::kFigures);
      shiftState_ = static_cast<std::int8_t>(baudot::kFigures);
      lastCode_ = baudot::kFigures;
      return;
    default:
      // Row 0 has shift 0: from either shift it sends a blank as its "shift"
      // and leaves the shift unknown, so the next character sends its own.
      if (shiftState_ != entry.shift) {
        output_.SendCode(entry.shift);
      }
      output_.SendCode(entry.code);
      shiftState_ = static_cast<std::int8_t>(entry.shift);
      lastCode_ = entry.code;
      return;
  }
}

int CharacterEncoder::SendTextCharacter(unsigned char character, int mode) {
  if (mode == kModeAscii || mode == kModePsk31) {
    const int sent = ExpandMacro(character, mode);
    if (sent != kNothingToSend) {
      output_.SendCode(sent & 0x7F);
    }
    return sent;
  }
  const int upper = UpperCase(character);
  EncodeCharacter(upper, mode);
  return upper;
}

}  // namespace kestrix
