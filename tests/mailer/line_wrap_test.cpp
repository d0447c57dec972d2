#include "mailer/line_wrap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kestrix {
namespace {

// Words of 1 to 14 letters, one blank between them: a paragraph as an
// operator types it.
std::string Paragraph(unsigned seed, std::size_t length) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> wordLength(1, 14);
  std::uniform_int_distribution<int> letter('A', 'Z');
  std::string text;
  while (text.size() < length) {
    if (!text.empty()) {
      text += ' ';
    }
    for (int n = wordLength(random); n > 0; --n) {
      text += static_cast<char>(letter(random));
    }
  }
  return text;
}

// The saved lines with their line ends.
std::vector<std::string> SavedLines(const std::string& marked) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < marked.size()) {
    std::size_t end = marked.find('\n', start);
    end = end == std::string::npos ? marked.size() : end + 1;
    lines.push_back(marked.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string WithoutEnd(const std::string& line) {
  return line.substr(0, line.find('\r'));
}

TEST(LineWrapTest, OneLongParagraphEndedWithEnterIsSavedInFullLinesBrokenAtBlanks) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const std::string paragraph = Paragraph(seed, 600);
    const std::vector<std::string> lines = SavedLines(LineWrap::Marked(paragraph + "\n"));
    ASSERT_GE(lines.size(), 9u) << seed;
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string text = WithoutEnd(lines[i]);
      const bool last = i + 1 == lines.size();
      EXPECT_EQ(lines[i], text + (last ? "\r\n" : "\r\r\n")) << seed << " line " << i;
      EXPECT_LE(text.size(), 72u) << seed << " line " << i;
      if (!last) {
        EXPECT_EQ(text.back(), ' ') << seed << " line " << i;
        // Full: the next word and its blank would not have fitted.
        const std::string next = WithoutEnd(lines[i + 1]);
        const std::size_t word = next.find(' ');
        const std::size_t needed = word == std::string::npos ? next.size() : word + 1;
        EXPECT_GT(text.size() + needed, 72u) << seed << " line " << i;
      }
      joined += text;
    }
    EXPECT_EQ(joined, paragraph) << seed;
  }
}

TEST(LineWrapTest, WhereTheLineBreaks) {
  const std::string a67(67, 'A');
  // A word ending in column 72 has its blank in column 73: it goes down,
  // and the blank before it stays at the end of the line.
  EXPECT_EQ(LineWrap::Marked(a67 + " WORD NEXT\n"), a67 + " \r\r\nWORD NEXT\r\n");
  // Its blank in column 72 still fits.
  EXPECT_EQ(LineWrap::Marked(a67 + " WRD NEXT"), a67 + " WRD \r\r\nNEXT");
  // A paragraph of exactly 72 characters does not wrap.
  EXPECT_EQ(LineWrap::Marked(a67 + " WORD\n"), a67 + " WORD\r\n");
  // A word longer than the line is broken at column 72, also after a blank.
  const std::string c150(150, 'C');
  EXPECT_EQ(LineWrap::Marked(c150), std::string(72, 'C') + "\r\r\n" + std::string(72, 'C') +
                                        "\r\r\n" + std::string(6, 'C'));
  EXPECT_EQ(LineWrap::Marked("AB " + std::string(100, 'C')),
            "AB \r\r\n" + std::string(72, 'C') + "\r\r\n" + std::string(28, 'C'));
  // Blanks beyond column 72 begin the next line.
  EXPECT_EQ(LineWrap::Marked(std::string(70, 'A') + "    B"), std::string(70, 'A') + "  \r\r\n  B");
  // A tab reaches the next multiple of eight columns.
  EXPECT_EQ(LineWrap::Marked(std::string(9, '\t') + "X"), std::string(9, '\t') + "\r\r\nX");
  EXPECT_EQ(LineWrap::Marked("AB\t" + std::string(64, 'D') + "E"),
            "AB\t\r\r\n" + std::string(64, 'D') + "E");
}

TEST(LineWrapTest, TypedLineEndsAreCrLfAndNothingFollowsTheLastLine) {
  EXPECT_EQ(LineWrap::Marked(""), "");
  EXPECT_EQ(LineWrap::Marked("QST"), "QST");
  EXPECT_EQ(LineWrap::Marked("QST\n\nDE W1AW\n"), "QST\r\n\r\nDE W1AW\r\n");
  EXPECT_EQ(LineWrap::Marked("A\r\nB\rC"), "A\r\nB\r\nC");
}

TEST(LineWrapTest, LinesAsShownIncludeTheEmptyLastOne) {
  const auto lines = LineWrap::Lines(std::string(80, 'X') + "\nEND\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, std::string(72, 'X'));
  EXPECT_TRUE(lines[0].wrapped);
  EXPECT_EQ(lines[1].text, std::string(8, 'X'));
  EXPECT_FALSE(lines[1].wrapped);
  EXPECT_EQ(lines[2].text, "END");
  EXPECT_EQ(lines[3].text, "");
  EXPECT_EQ(LineWrap::Lines("").size(), 1u);
}

TEST(LineWrapTest, AFileIsTakenWithItsWrapsFlowingAgain) {
  EXPECT_EQ(LineWrap::Unmarked("WORD \r\r\nNEXT\r\nA\rB\nC"), "WORD NEXT\nA\nB\nC");
  // Text ends at a zero byte, as a picture file's does.
  EXPECT_EQ(LineWrap::Unmarked(std::string("AB\r\n\0CD", 7)), "AB\n");
  // Whatever is typed comes back from its saved form.
  for (unsigned seed = 1; seed <= 20; ++seed) {
    const std::string text =
        Paragraph(seed, 300) + "\n\n" + std::string(100 + seed, 'Z') + "\n" + Paragraph(seed, 90);
    EXPECT_EQ(LineWrap::Unmarked(LineWrap::Marked(text)), text) << seed;
  }
}

}  // namespace
}  // namespace kestrix
