// The 71 Morse entries, space (32) to 'f' (102); characters without a code
// are the word space.

#include "station/encoding/morse_code_table.h"

#include <array>

namespace kestrix {
namespace {

constexpr std::string_view W = MorseCodeTable::kWordSpace;

constexpr std::array<std::string_view, MorseCodeTable::kEntries> kEntriesTable = {
    W,        W,        W,        W,        W,        W,        W,        W,         // ' '..'\''
    "212212", "212212", W,        W,        "221122", "22122 ", "121212", "21121 ",  // '('..'/'
    "22222 ", "12222 ", "11222 ", "11122 ", "11112 ", "11111 ", "21111 ", "22111 ",  // '0'..'7'
    "22211 ", "22221 ", "111222", "212121", W,        W,        W,        "112211",  // '8'..'?'
    W,        "12    ", "2111  ", "2121  ", "211   ", "1     ", "1121  ", "221   ",  // '@'..'G'
    "1111  ", "11    ", "1222  ", "212   ", "1211  ", "22    ", "21    ", "222   ",  // 'H'..'O'
    "1221  ", "2212  ", "121   ", "111   ", "2     ", "112   ", "1112  ", "122   ",  // 'P'..'W'
    "2112  ", "2122  ", "2211  ", W,        W,        W,        W,        W,         // 'X'..'_'
    W,        W,        W,        W,        W,        W,        W,                   // '`'..'f'
};

}  // namespace

int MorseCodeTable::Index(int character) {
  if (character >= 'a' && character <= 'z') {
    character -= 'a' - 'A';
  }
  const int index = character - 32;
  if (index < 0 || index >= kEntries) {
    return 0;
  }
  return index;
}

std::string_view MorseCodeTable::Entry(int index) {
  return kEntriesTable.at(static_cast<std::size_t>(index));
}

std::string_view MorseCodeTable::Lookup(int character) {
  return Entry(Index(character));
}

void MorseCodeTable::AppendElements(int character, int trailingGap,
                                    std::vector<MorseElement>& out) {
  const std::string_view entry = Lookup(character);
  if (IsWordSpace(entry)) {
    out.push_back({false, kWordSpaceTicks});
    return;
  }
  for (char element : entry) {
    if (element != ' ') {
      out.push_back({true, (element - '0') * kTicksPerUnit});
      out.push_back({false, kElementGap});
    }
  }
  out.push_back({false, trailingGap});
}

}  // namespace kestrix
