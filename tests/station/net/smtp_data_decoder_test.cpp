#include "station/net/smtp_data_decoder.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

// Feeds `data` in two pieces split at `at`; returns the text and how many
// bytes of the whole the message took.
std::pair<std::string, std::size_t> DecodeSplit(const std::string& data, std::size_t at) {
  SmtpDataDecoder decoder;
  std::string text;
  std::size_t used = decoder.Feed(std::string_view(data).substr(0, at), text);
  if (used != SmtpDataDecoder::kNotEnded) {
    return {text, used};
  }
  used = decoder.Feed(std::string_view(data).substr(at), text);
  return {text, used == SmtpDataDecoder::kNotEnded ? used : at + used};
}

// Wherever the network splits the text, the same message comes out and the
// mark is found; what follows it is left for the commands.
TEST(SmtpDataDecoder, FindsTheEndMarkAtEverySplit) {
  const std::string data =
      "Subject: a\r\n\r\n..one\r\n..\r\ntwo\r\n.x\r\n\r\nlast\r\n.\r\nQUIT\r\n";
  const std::string expected = "Subject: a\r\n\r\n.one\r\n.\r\ntwo\r\nx\r\n\r\nlast";
  for (std::size_t at = 0; at <= data.size(); ++at) {
    const auto [text, used] = DecodeSplit(data, at);
    EXPECT_EQ(text, expected) << "split at " << at;
    EXPECT_EQ(used, data.size() - 6) << "split at " << at;
  }
}

TEST(SmtpDataDecoder, ByteByByte) {
  const std::string data = "a\r\r\nb\rc\r\n.\r\n";
  SmtpDataDecoder decoder;
  std::string text;
  for (char c : data) {
    decoder.Feed(std::string_view(&c, 1), text);
  }
  EXPECT_TRUE(decoder.Ended());
  EXPECT_EQ(text, "a\r\r\nb\rc");
}

TEST(SmtpDataDecoder, AnEmptyMessageEndsAtOnce) {
  SmtpDataDecoder decoder;
  std::string text;
  EXPECT_EQ(decoder.Feed(".\r\nQUIT\r\n", text), 3u);
  EXPECT_EQ(text, "");
}

// Only CR LF dot CR LF ends the text: a bare line feed around the dot does
// not, so a message cannot smuggle a second one past a relay.
TEST(SmtpDataDecoder, BareLineFeedsDoNotEndTheText) {
  SmtpDataDecoder decoder;
  std::string text;
  EXPECT_EQ(decoder.Feed("a\n.\nb\r\n.\nc\n.\r\nd", text), SmtpDataDecoder::kNotEnded);
  EXPECT_FALSE(decoder.Ended());
  EXPECT_EQ(text, "a\n.\nb\r\n\nc\n.\r\nd");
}

}  // namespace
}  // namespace kestrix
