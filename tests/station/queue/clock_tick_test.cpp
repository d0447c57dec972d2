#include "station/queue/clock_tick.h"

#include <gtest/gtest.h>

#include "common/time_tag.h"

namespace kestrix {
namespace {

TEST(ClockTick, ClockTextIsTheStandard24CharacterTime) {
  EXPECT_EQ(ClockTick::ClockText(LocalTime(TimeTag{1782932400})), "Wed Jul  1 12:00:00 2026");
  EXPECT_EQ(ClockTick::ClockText(LocalTime(TimeTag{1798790399})), "Thu Dec 31 23:59:59 2026");
}

}  // namespace
}  // namespace kestrix
