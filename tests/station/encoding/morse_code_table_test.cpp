#include "station/encoding/morse_code_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kestrix {
namespace {

TEST(MorseCodeTable, EveryEntryMatchesTheCodeList) {
  const std::map<char, std::string> codes = {
      {'(', "212212"}, {')', "212212"}, {',', "221122"}, {'-', "22122 "}, {'.', "121212"},
      {'/', "21121 "}, {'0', "22222 "}, {'1', "12222 "}, {'2', "11222 "}, {'3', "11122 "},
      {'4', "11112 "}, {'5', "11111 "}, {'6', "21111 "}, {'7', "22111 "}, {'8', "22211 "},
      {'9', "22221 "}, {':', "111222"}, {';', "212121"}, {'?', "112211"}, {'A', "12    "},
      {'B', "2111  "}, {'C', "2121  "}, {'D', "211   "}, {'E', "1     "}, {'F', "1121  "},
      {'G', "221   "}, {'H', "1111  "}, {'I', "11    "}, {'J', "1222  "}, {'K', "212   "},
      {'L', "1211  "}, {'M', "22    "}, {'N', "21    "}, {'O', "222   "}, {'P', "1221  "},
      {'Q', "2212  "}, {'R', "121   "}, {'S', "111   "}, {'T', "2     "}, {'U', "112   "},
      {'V', "1112  "}, {'W', "122   "}, {'X', "2112  "}, {'Y', "2122  "}, {'Z', "2211  "},
  };
  for (int index = 0; index < MorseCodeTable::kEntries; ++index) {
    const char character = static_cast<char>(index + 32);
    auto it = codes.find(character);
    const std::string expected = it != codes.end() ? it->second : "3     ";
    EXPECT_EQ(MorseCodeTable::Entry(index), expected)
        << "entry " << index << " '" << character << "'";
  }
}

TEST(MorseCodeTable, LowerCaseIsUpperCasedAndOutsideCharactersAreWordSpaces) {
  EXPECT_EQ(MorseCodeTable::Index('e'), MorseCodeTable::Index('E'));
  EXPECT_EQ(MorseCodeTable::Lookup('z'), "2211  ");
  for (int character : {int{'{'}, int{'|'}, int{'}'}, int{'~'}, 127, 0, 10, 13, -23, -128, 255}) {
    EXPECT_TRUE(MorseCodeTable::IsWordSpace(MorseCodeTable::Lookup(character))) << character;
  }
  EXPECT_EQ(MorseCodeTable::Index(10), 0);
  EXPECT_FALSE(MorseCodeTable::IsWordSpace(MorseCodeTable::Lookup('E')));
}

}  // namespace
}  // namespace kestrix
