#include "station/net/stored_message.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class StoredMessageTest : public ::testing::Test {
 protected:
  // The stored file of a received message.
  std::string Store(const std::string& raw, StoredMessageOptions options = {false, true}) {
    WriteFile("raw.tmp", raw);
    std::FILE* in = std::fopen("raw.tmp", "rb");
    std::FILE* out = std::fopen("stored.txt", "wb");
    {
      TextModeReader reader(in);
      TextModeWriter writer(out);
      headers = WriteStoredMessage(reader, writer, options);
    }
    std::fclose(in);
    std::fclose(out);
    return ReadFile("stored.txt");
  }

  testing::TempWorkingDirectory directory;
  StoredMessageHeaders headers;
};

TEST_F(StoredMessageTest, KeepsFourHeadersAndEndsWithTheMarker) {
  const std::string stored = Store(
      "Received: from somewhere\r\n"
      "From: Ann_Smith <ann@example.org>\r\n"
      "To: qerv@station\r\n"
      "Subject: Net_news\r\n"
      "Date: Tue, 8 Dec 2026\r\n"
      "X-Mailer: any\r\n"
      "\r\n"
      "FIRST LINE\r\n"
      "SECOND LINE");
  EXPECT_EQ(stored,
            "From: Ann Smith <ann@example.org>\r\n"
            "To: General Delivery\r\n"
            "Subject: Net news\r\n"
            "Date: Tue, 8 Dec 2026\r\n"
            "\r\r\n"
            "FIRST LINE\r\n"
            "SECOND LINE\r\r\nNNNN\r\r\n");
  EXPECT_TRUE(headers.sawSubject);
  EXPECT_EQ(headers.subjectName, "Net_news.txt");
}

TEST_F(StoredMessageTest, ToKeepsTheNamePartBeforeABang) {
  EXPECT_EQ(Store("To: Club_Members!qerv@station\r\n\r\n"),
            "To: Club Members\r\n\r\r\n\r\r\nNNNN\r\r\n");
  EXPECT_EQ(Store("To: qerv@station!Club\r\n\r\n").substr(0, 22), "To: General Delivery\r\n");
}

TEST_F(StoredMessageTest, WithoutAnEmptyLineThereIsNoBody) {
  EXPECT_EQ(Store("From: a\r\nSubject: s\r\nBODY TEXT\r\n"), "From: a\r\nSubject: s\r\n");
}

// However long a header line is, its rest is not taken for a header or for
// the empty line that ends the headers.
TEST_F(StoredMessageTest, ALongHeaderLineStaysOneLine) {
  const std::string stored =
      Store("X-Long: " + std::string(1015, 'x') + "\r\nSubject: kept\r\n\r\nBODY");
  EXPECT_EQ(stored, "Subject: kept\r\n\r\r\nBODY\r\r\nNNNN\r\r\n");
  EXPECT_EQ(headers.subjectName, "kept.txt");
}

TEST_F(StoredMessageTest, SubjectLineIsCutAndTheNameMadeSafe) {
  Store("Subject: Net news: 5/12\r\n\r\n");
  EXPECT_EQ(headers.subjectName, "Net_news$_5$12.txt");
  const std::string stored = Store("Subject: " + std::string(80, 'S') + "\r\n\r\n");
  EXPECT_EQ(stored.substr(0, stored.find('\r')), "Subject: " + std::string(61, 'S'));
  EXPECT_EQ(headers.subjectName, std::string(58, 'S') + ".txt");
  Store("Subject:\r\n\r\n");
  EXPECT_EQ(headers.subjectName, ".txt");
  Store("Subject: ../../etc/passwd\r\n\r\n");
  EXPECT_EQ(headers.subjectName, "..$..$etc$passwd.txt");
  Store("Subject: first\r\nSubject: second\r\n\r\n");
  EXPECT_EQ(headers.subjectName, "second.txt");
  Store("Subject: off\r\n\r\n", {false, false});
  EXPECT_FALSE(headers.sawSubject);
}

TEST_F(StoredMessageTest, AutomaticLineLengthWrapsAtABlankOrHard) {
  std::string blankAt60(100, 'A');
  blankAt60[60] = ' ';
  EXPECT_EQ(Store("\r\n" + blankAt60 + "\r\n" + std::string(100, 'B') + "\r\n", {true, false}),
            "\r\r\n" + std::string(60, 'A') + "\r\n" + std::string(39, 'A') + "\r\n" +
                std::string(45, 'B') + "\r\n" + std::string(55, 'B') + "\r\n\r\r\nNNNN\r\r\n");
  // Off, the line stays whole.
  EXPECT_EQ(Store("\r\n" + blankAt60 + "\r\n", {false, false}),
            "\r\r\n" + blankAt60 + "\r\n\r\r\nNNNN\r\r\n");
}

TEST(SubjectToFileName, ReplacesWhatAFileNameShouldNotHold) {
  std::string text = "a*b?c\"d<e>f|g[h]i=j!k%l^m&n(o)p+q}r{s;t`u~v\\w\x01x\xe9y_z.";
  SubjectToFileName(text);
  EXPECT_EQ(text, "a$b$c$d$e$f$g$h$i$j$k$l$m$n$o$p$q$r$s$t$u$v$w$x$y_z..txt");
}

}  // namespace
}  // namespace kestrix
