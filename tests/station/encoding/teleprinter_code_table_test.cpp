#include "station/encoding/teleprinter_code_table.h"

#include <gtest/gtest.h>

#include <map>

#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"

namespace kestrix {
namespace {

struct Expected {
  int shift, ita2, telex, military;
};

// Every row that carries a code, written out independently of the table.
const std::map<int, Expected>& RowsWithCodes() {
  static const std::map<int, Expected> rows = {
      {0, {0, 0, 0, 0}},       {7, {27, 11, 11, 5}},     {10, {0, 2, 2, 2}},
      {13, {0, 8, 8, 8}},      {27, {0, 27, 27, 27}},    {31, {0, 31, 31, 31}},
      {32, {0, 4, 4, 4}},      {'!', {27, 4, 4, 13}},    {'"', {27, 4, 17, 17}},
      {'#', {27, 4, 20, 20}},  {'$', {27, 20, 9, 9}},    {'%', {27, 13, 4, 4}},
      {'&', {27, 26, 26, 26}}, {'\'', {27, 11, 5, 11}},  {'(', {27, 15, 15, 15}},
      {')', {27, 18, 18, 18}}, {'*', {27, 3, 3, 3}},     {'+', {27, 17, 4, 4}},
      {',', {27, 12, 12, 12}}, {'-', {27, 3, 3, 3}},     {'.', {27, 28, 28, 28}},
      {'/', {27, 29, 29, 29}}, {'0', {27, 22, 22, 22}},  {'1', {27, 23, 23, 23}},
      {'2', {27, 19, 19, 19}}, {'3', {27, 1, 1, 1}},     {'4', {27, 10, 10, 10}},
      {'5', {27, 16, 16, 16}}, {'6', {27, 21, 21, 21}},  {'7', {27, 7, 7, 7}},
      {'8', {27, 6, 6, 6}},    {'9', {27, 24, 24, 24}},  {':', {27, 14, 14, 14}},
      {';', {27, 4, 30, 30}},  {'=', {27, 30, 4, 4}},    {'?', {27, 25, 25, 25}},
      {'@', {27, 11, 4, 4}},   {'A', {31, 3, 3, 3}},     {'B', {31, 25, 25, 25}},
      {'C', {31, 14, 14, 14}}, {'D', {31, 9, 9, 9}},     {'E', {31, 1, 1, 1}},
      {'F', {31, 13, 13, 13}}, {'G', {31, 26, 26, 26}},  {'H', {31, 20, 20, 20}},
      {'I', {31, 6, 6, 6}},    {'J', {31, 11, 11, 11}},  {'K', {31, 15, 15, 15}},
      {'L', {31, 18, 18, 18}}, {'M', {31, 28, 28, 28}},  {'N', {31, 12, 12, 12}},
      {'O', {31, 24, 24, 24}}, {'P', {31, 22, 22, 22}},  {'Q', {31, 23, 23, 23}},
      {'R', {31, 10, 10, 10}}, {'S', {31, 5, 5, 5}},     {'T', {31, 16, 16, 16}},
      {'U', {31, 7, 7, 7}},    {'V', {31, 30, 30, 30}},  {'W', {31, 19, 19, 19}},
      {'X', {31, 29, 29, 29}}, {'Y', {31, 21, 21, 21}},  {'Z', {31, 17, 17, 17}},
      {'[', {27, 15, 15, 15}}, {'\\', {27, 29, 29, 29}}, {']', {27, 18, 18, 18}},
      {'_', {27, 3, 3, 3}},
  };
  return rows;
}

TEST(TeleprinterCodeTable, EveryRowMatchesTheCodeLists) {
  for (int index = 0; index < TeleprinterCodeTable::kRows; ++index) {
    SCOPED_TRACE(index);
    const TeleprinterCodeRow& row = TeleprinterCodeTable::Row(index);
    auto it = RowsWithCodes().find(index);
    const Expected expected = it != RowsWithCodes().end() ? it->second : Expected{0, 127, 127, 127};
    EXPECT_EQ(row.shift, expected.shift);
    EXPECT_EQ(row.ita2Code, expected.ita2);
    EXPECT_EQ(row.telexCode, expected.telex);
    EXPECT_EQ(row.militaryCode, expected.military);
  }
}

TEST(TeleprinterCodeTable, ModeSelectsTheColumnAndEveryOtherNumberIsMilitary) {
  EXPECT_EQ(TeleprinterCodeTable::Lookup('\'', kModeIta2), (TeleprinterCode{27, 11}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup('\'', kModeTelex), (TeleprinterCode{27, 5}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup('\'', kModeMilitary), (TeleprinterCode{27, 11}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup(7, kModeIta2), (TeleprinterCode{27, 11}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup(7, kModeTelex), (TeleprinterCode{27, 11}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup(7, kModeMilitary), (TeleprinterCode{27, 5}));
  for (int mode : {int{kModeAscii}, int{kModePsk31}, int{kModeCw}, 9, -1}) {
    EXPECT_EQ(TeleprinterCodeTable::Lookup('!', mode), (TeleprinterCode{27, 13})) << mode;
  }
}

TEST(TeleprinterCodeTable, FoldsLowerCaseBracesDelAndOutOfRangeCodes) {
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('a'), 'A');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('z'), 'Z');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('{'), '[');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('|'), '\\');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('}'), ']');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex('~'), '^');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(127), '_');
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(96), 0);    // grave accent stays above 95
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(0xE9), 0);  // 201 after the fold
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(128), 0);   // 96
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(-23), 0);   // 0xE9 read as a signed char
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(-1), 0);
  EXPECT_EQ(TeleprinterCodeTable::FoldIndex(95), 95);

  EXPECT_EQ(TeleprinterCodeTable::Lookup('a', kModeMilitary),
            TeleprinterCodeTable::Lookup('A', kModeMilitary));
  EXPECT_EQ(TeleprinterCodeTable::Lookup('{', kModeIta2), (TeleprinterCode{27, 15}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup(127, kModeTelex), (TeleprinterCode{27, 3}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup('`', kModeIta2), (TeleprinterCode{0, 0}));
  EXPECT_EQ(TeleprinterCodeTable::Lookup(-23, kModeIta2), (TeleprinterCode{0, 0}));
}

TEST(TeleprinterCodeTable, CaretAndAngleBracketsHaveNoCodeInAnyColumn) {
  for (int character : {int{'^'}, int{'<'}, int{'>'}, int{'~'}}) {
    for (int mode : {int{kModeIta2}, int{kModeTelex}, int{kModeMilitary}}) {
      EXPECT_EQ(TeleprinterCodeTable::Lookup(character, mode).code, baudot::kNoCode)
          << character << " mode " << mode;
    }
  }
}

}  // namespace
}  // namespace kestrix
