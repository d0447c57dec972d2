// The built-in banned-word table: its record form, and its words in the
// shape the search and the dialog rely on.

#include "mailer/bad_word_table.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrix {
namespace {

constexpr int kWords = 317;

TEST(BadWordTableTest, Has320RecordsOf23BytesWithTheEmptyOnesLast) {
  ASSERT_EQ(BadWordTable::kRecordCount, 320);
  for (int i = 0; i < BadWordTable::kRecordCount; ++i) {
    const std::string_view record = BadWordTable::Record(i);
    ASSERT_EQ(record.size(), 23u) << i;
    const std::string_view word = BadWordTable::Word(i);
    // The word is followed only by zero bytes: at least one ends it.
    ASSERT_LT(word.size(), record.size()) << i;
    EXPECT_EQ(record.substr(0, word.size()), word) << i;
    EXPECT_EQ(record.substr(word.size()), std::string(23 - word.size(), '\0')) << i;
    EXPECT_EQ(word.empty(), i >= kWords) << i;
  }
}

TEST(BadWordTableTest, WordsAreUpperCaseDistinctAndInOrder) {
  for (int i = 0; i < kWords; ++i) {
    const std::string_view word = BadWordTable::Word(i);
    EXPECT_GE(word.size(), 3u) << word;
    EXPECT_LE(word.size(), 20u) << word;
    for (char c : word) {
      EXPECT_TRUE((c >= 'A' && c <= 'Z') || c == ' ' || c == '-') << word;
    }
    EXPECT_NE(word.front(), ' ') << word;
    EXPECT_NE(word.back(), ' ') << word;
    if (i > 0) {
      // Strictly increasing: sorted and without repetitions.
      EXPECT_LT(BadWordTable::Word(i - 1), word);
    }
  }
}

}  // namespace
}  // namespace kestrix
