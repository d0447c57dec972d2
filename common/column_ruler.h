#pragma once
// The two lines of a column ruler over fixed-width text: the units digit of
// every column, and above it the tens digit of every tenth column.

#include <string>

namespace kestrix {

inline std::string ColumnRulerDigits(int columns) {
  std::string digits;
  for (int column = 1; column <= columns; ++column) {
    digits += static_cast<char>('0' + column % 10);
  }
  return digits;
}

// Ends with the last tens digit: no blanks after it.
inline std::string ColumnRulerTens(int columns) {
  std::string tens;
  for (int column = 10; column <= columns; column += 10) {
    tens.resize(static_cast<std::size_t>(column - 1), ' ');
    tens += static_cast<char>('0' + column / 10 % 10);
  }
  return tens;
}

}  // namespace kestrix
