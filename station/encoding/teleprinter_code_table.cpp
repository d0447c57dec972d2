// Rows of the five-bit table, built once from the letter and figure lists so
// that each code appears in exactly one place.

#include "station/encoding/teleprinter_code_table.h"

#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"

namespace kestrix {
namespace {

using baudot::kFigures;
using baudot::kLetters;
using baudot::kNoCode;

constexpr TeleprinterCodeRow Same(std::int32_t shift, std::uint8_t code) {
  return {shift, code, code, code};
}

struct LetterCode {
  char letter;
  std::uint8_t code;
};

constexpr LetterCode kLetterCodes[] = {
    {'A', 3},  {'B', 25}, {'C', 14}, {'D', 9},  {'E', 1},  {'F', 13}, {'G', 26},
    {'H', 20}, {'I', 6},  {'J', 11}, {'K', 15}, {'L', 18}, {'M', 28}, {'N', 12},
    {'O', 24}, {'P', 22}, {'Q', 23}, {'R', 10}, {'S', 5},  {'T', 16}, {'U', 7},
    {'V', 30}, {'W', 19}, {'X', 29}, {'Y', 21}, {'Z', 17},
};

struct FigureCode {
  char character;
  std::uint8_t ita2;
  std::uint8_t telex;
  std::uint8_t military;
};

// A figure a column cannot print carries the space code 4 there.
constexpr FigureCode kFigureCodes[] = {
    {'!', 4, 4, 13},   {'"', 4, 17, 17},   {'#', 4, 20, 20},  {'$', 20, 9, 9},   {'%', 13, 4, 4},
    {'&', 26, 26, 26}, {'\'', 11, 5, 11},  {'(', 15, 15, 15}, {')', 18, 18, 18}, {'*', 3, 3, 3},
    {'+', 17, 4, 4},   {',', 12, 12, 12},  {'-', 3, 3, 3},    {'.', 28, 28, 28}, {'/', 29, 29, 29},
    {'0', 22, 22, 22}, {'1', 23, 23, 23},  {'2', 19, 19, 19}, {'3', 1, 1, 1},    {'4', 10, 10, 10},
    {'5', 16, 16, 16}, {'6', 21, 21, 21},  {'7', 7, 7, 7},    {'8', 6, 6, 6},    {'9', 24, 24, 24},
    {':', 14, 14, 14}, {';', 4, 30, 30},   {'=', 30, 4, 4},   {'?', 25, 25, 25}, {'@', 11, 4, 4},
    {'[', 15, 15, 15}, {'\\', 29, 29, 29}, {']', 18, 18, 18}, {'_', 3, 3, 3},
};

constexpr std::array<TeleprinterCodeRow, TeleprinterCodeTable::kRows> BuildTable() {
  std::array<TeleprinterCodeRow, TeleprinterCodeTable::kRows> rows{};
  for (auto& row : rows) {
    row = Same(0, kNoCode);
  }
  rows[0] = Same(0, baudot::kBlank);
  rows[7] = {kFigures, 11, 11, 5};  // BEL
  rows[10] = Same(0, baudot::kLineFeed);
  rows[13] = Same(0, baudot::kCarriageReturn);
  rows[27] = Same(0, kFigures);
  rows[31] = Same(0, kLetters);
  rows[32] = Same(0, baudot::kSpace);
  for (const auto& l : kLetterCodes) {
    rows[static_cast<unsigned char>(l.letter)] = Same(kLetters, l.code);
  }
  for (const auto& f : kFigureCodes) {
    rows[static_cast<unsigned char>(f.character)] = {kFigures, f.ita2, f.telex, f.military};
  }
  return rows;
}

constexpr auto kTable = BuildTable();

}  // namespace

int TeleprinterCodeTable::FoldIndex(int character) {
  int index = character;
  if (index > 96) {
    index -= 32;
  }
  if (index > 95 || index < 0) {
    index = 0;
  }
  return index;
}

const TeleprinterCodeRow& TeleprinterCodeTable::Row(int index) {
  return kTable.at(static_cast<std::size_t>(index));
}

TeleprinterCode TeleprinterCodeTable::Lookup(int character, int mode) {
  const TeleprinterCodeRow& row = Row(FoldIndex(character));
  switch (mode) {
    case kModeIta2:
      return {row.shift, row.ita2Code};
    case kModeTelex:
      return {row.shift, row.telexCode};
    default:
      return {row.shift, row.militaryCode};
  }
}

}  // namespace kestrix
