#pragma once
// The words the composer's banned-word search looks for, built into the
// program: 320 records of 23 bytes, each an upper-case word ended and padded
// with zero bytes; the words come first in byte order, empty records last.

#include <cstddef>
#include <string_view>

namespace kestrix {

class BadWordTable {
 public:
  static constexpr int kRecordCount = 320;
  static constexpr std::size_t kRecordWidth = 23;

  // All 23 bytes of record `index` (0 to kRecordCount - 1).
  static std::string_view Record(int index);
  // The word of record `index`; empty for an empty record.
  static std::string_view Word(int index);
};

}  // namespace kestrix
