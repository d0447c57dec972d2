#include "common/time_tag.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

// The test environment fixes TZ to America/Los_Angeles (PST/PDT).
TEST(ParseTimeTag, ReadsLocalTimeWithTheZonesDaylightSaving) {
  EXPECT_EQ(ParseTimeTag("12/31/2026 23:59:59"), 1798790399);  // PST, UTC-8
  EXPECT_EQ(ParseTimeTag("07/01/2026 12:00:00"), 1782932400);  // PDT, UTC-7
  EXPECT_EQ(ParseTimeTag("7/1/2026 12:0:0 news.txt trailing"), 1782932400);
}

TEST(ParseTimeTag, TextWithoutAllSixNumbersGivesZero) {
  EXPECT_EQ(ParseTimeTag(""), 0);
  EXPECT_EQ(ParseTimeTag("12/31/2026"), 0);
  EXPECT_EQ(ParseTimeTag("12/31/2026 23:59"), 0);
  EXPECT_EQ(ParseTimeTag("$TX"), 0);
  EXPECT_EQ(ParseTimeTag("12-31-2026 23:59:59"), 0);
}

// Numbers past the int range, or a date past what a queue line can hold
// (years 1 to 9999), read as no tag at all.
TEST(ParseTimeTag, TagsOutsideTheRepresentableRangeGiveZero) {
  EXPECT_EQ(ParseTimeTag("1/1/2147483648 0:0:0 x.txt"), 0);
  EXPECT_EQ(ParseTimeTag("13/1/2147483647 1:1:1 x.txt"), 0);
  EXPECT_EQ(ParseTimeTag("-2147483648/1/2026 0:0:0 x.txt"), 0);
  EXPECT_EQ(ParseTimeTag("1/1/-2147483648 0:0:0 x.txt"), 0);
  EXPECT_EQ(ParseTimeTag("1/1/2026 0:0:99999999999 x.txt"), 0);
  EXPECT_EQ(ParseTimeTag("12/31/9999 23:59:60"), 0);  // into the year 10000
  EXPECT_EQ(ParseTimeTag("1/1/0 0:0:0"), 0);
  EXPECT_NE(ParseTimeTag("12/31/9999 23:59:59"), 0);
  EXPECT_NE(ParseTimeTag("1/1/1 0:0:0"), 0);
  // Fields out of their own range still roll over, as they always did.
  EXPECT_EQ(ParseTimeTag("12/32/2026 0:0:0"), ParseTimeTag("1/1/2027 0:0:0"));
  EXPECT_EQ(ParseTimeTag(" +7/ 1/2026  12:0:0"), 1782932400);
}

TEST(LocalTime, GivesTheCalendarFieldsOfAMomentInTheProcessZone) {
  const std::tm tm = LocalTime(TimeTag{1782932400});
  EXPECT_EQ(tm.tm_year, 126);
  EXPECT_EQ(tm.tm_mon, 6);
  EXPECT_EQ(tm.tm_mday, 1);
  EXPECT_EQ(tm.tm_hour, 12);
  EXPECT_EQ(ToTimeTag(WallClock::from_time_t(1782932400)), 1782932400);
}

}  // namespace
}  // namespace kestrix
