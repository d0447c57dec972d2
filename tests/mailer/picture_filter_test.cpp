// The picture editor's byte rules: the teleprinter filter, the display text
// with its '<' and '^' signs, the bytes saved back, and the file round trip.

#include "mailer/picture_filter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::string_literals;

TEST(PictureFilterTest, KeepsTheTeleprinterSignsAndUpperCasesLetters) {
  for (unsigned char c : "\n\r $\"&'(),-./09:;?AZ"s) {
    EXPECT_EQ(PictureFilter::Filter(c), c) << int{c};
  }
  EXPECT_EQ(PictureFilter::Filter('a'), 'A');
  EXPECT_EQ(PictureFilter::Filter('z'), 'Z');
  EXPECT_EQ(PictureFilter::Filter('<'), '\r');
  EXPECT_EQ(PictureFilter::Filter('^'), '\n');
}

TEST(PictureFilterTest, TurnsEverythingElseIntoZero) {
  for (unsigned char c : "\t%*+=>@[\\]_`{|}~\x7f\x80\xc4\xff"s) {
    EXPECT_EQ(PictureFilter::Filter(c), 0) << int{c};
  }
  EXPECT_EQ(PictureFilter::Filter(0), 0);
}

TEST(PictureFilterTest, ShowsLineEndsBySignsAndOverstrikeCrsDoubled) {
  // CR LF: the CR stands alone, so it shows doubled; LF shows '^'.
  EXPECT_EQ(PictureFilter::DisplayText("A\r\nB"), "A<<^\r\nB");
  // CR CR LF: one sign for each CR, a break only after the LF.
  EXPECT_EQ(PictureFilter::DisplayText("A\r\r\nB"), "A<<^\r\nB");
  // An overstrike CR in mid-line: doubled, and the line breaks after it.
  EXPECT_EQ(PictureFilter::DisplayText("A\rB"), "A<<\r\nB");
  // The first byte never doubles; a CR at the end still breaks the line.
  EXPECT_EQ(PictureFilter::DisplayText("\rA\r"), "<\r\nA<<\r\n");
  EXPECT_EQ(PictureFilter::DisplayText("\r\nA"), "<^\r\nA");
  EXPECT_EQ(PictureFilter::DisplayText("\n\n"), "^\r\n^\r\n");
}

TEST(PictureFilterTest, FiltersTheFileBytesBeforeShowingThem) {
  EXPECT_EQ(PictureFilter::DisplayText("ry 73<de^k"), "RY 73<<\r\nDE^\r\nK");
  EXPECT_EQ(PictureFilter::DisplayText("A%B\x80\xff\0C"s), "ABC");
  // A dropped byte still stands between two CRs: each is then alone.
  EXPECT_EQ(PictureFilter::DisplayText("A\r%\rB"), "A<<\r\n<<\r\nB");
  EXPECT_EQ(PictureFilter::DisplayText(""), "");
}

TEST(PictureFilterTest, UsesOnlyTheFirst65535Bytes) {
  const std::string display = PictureFilter::DisplayText(std::string(70000, 'X'));
  EXPECT_EQ(display, std::string(65535, 'X'));
}

TEST(PictureFilterTest, SavesSignsAsLineEndsAndEndsWithAZeroByte) {
  // The text comes back from the field with '\n' or CR LF line breaks.
  EXPECT_EQ(PictureFilter::SavedBytes("A<<^\r\nB"), "A\r\r\nB\0"s);
  EXPECT_EQ(PictureFilter::SavedBytes("A<<^\nB"), "A\r\r\nB\0"s);
  EXPECT_EQ(PictureFilter::SavedBytes("a%b"), "A\0B\0"s);
  EXPECT_EQ(PictureFilter::SavedBytes("A\0B"s), "AB\0"s);
  EXPECT_EQ(PictureFilter::SavedBytes(""), "\0"s);
}

TEST(PictureFilterTest, RoundTripsOfTheOverstrikeForms) {
  struct Case {
    std::string file;
    std::string saved;
  };
  const Case cases[] = {
      {"A\r\nB", "A\r\r\nB\0"s},    // CR LF gains the overstrike CR
      {"A\r\r\nB", "A\r\r\nB\0"s},  // CR CR LF keeps its two CRs
      {"A\rB", "A\r\rB\0"s},        // a lone CR comes back as two
      {"\r\nA\n", "\r\nA\n\0"s},    // a first CR is not doubled
  };
  for (const Case& c : cases) {
    const std::string saved = PictureFilter::SavedBytes(PictureFilter::DisplayText(c.file));
    EXPECT_EQ(saved, c.saved) << c.file;
    // What was saved once loads and saves again unchanged.
    EXPECT_EQ(PictureFilter::SavedBytes(PictureFilter::DisplayText(saved)), saved) << c.file;
  }
}

TEST(PictureFilterTest, LoadsAndSavesFilesAsBinary) {
  testing::TempWorkingDirectory dir;
  testing::WriteFile("PIC.TXT", "A\r\nB");
  ASSERT_EQ(PictureFilter::Load("PIC.TXT"), "A<<^\r\nB");
  ASSERT_TRUE(PictureFilter::Save("PIC.TXT.mod", "A<<^\r\nB"));
  EXPECT_EQ(testing::ReadFile("PIC.TXT.mod"), "A\r\r\nB\0"s);

  // Saving replaces the whole file.
  ASSERT_TRUE(PictureFilter::Save("PIC.TXT.mod", "C"));
  EXPECT_EQ(testing::ReadFile("PIC.TXT.mod"), "C\0"s);

  testing::WriteFile("BIG.TXT", std::string(70000, 'Y'));
  EXPECT_EQ(PictureFilter::Load("BIG.TXT"), std::string(65535, 'Y'));
}

TEST(PictureFilterTest, ReportsFilesThatCannotBeOpened) {
  testing::TempWorkingDirectory dir;
  std::filesystem::create_directory("AutoStartMail");
  EXPECT_EQ(PictureFilter::Load("MISSING.TXT"), std::nullopt);
  EXPECT_EQ(PictureFilter::Load("AutoStartMail"), std::nullopt);
  EXPECT_FALSE(PictureFilter::Save("NoSuchDir/PIC.mod", "A"));
  EXPECT_FALSE(PictureFilter::Save("AutoStartMail", "A"));
  EXPECT_FALSE(std::filesystem::exists("NoSuchDir"));
}

}  // namespace
}  // namespace kestrix
