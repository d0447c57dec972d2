#include "common/column_ruler.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(ColumnRulerTest, TheTensStandOverEveryTenthColumnAndNothingFollowsTheLast) {
  EXPECT_EQ(ColumnRulerDigits(12), "123456789012");
  EXPECT_EQ(ColumnRulerTens(9), "");
  EXPECT_EQ(ColumnRulerTens(72),
            "         1         2         3         4         5         6         7");
  EXPECT_EQ(ColumnRulerTens(90), ColumnRulerTens(72) + "         8         9");
  EXPECT_EQ(ColumnRulerDigits(90).size(), 90u);
  EXPECT_EQ(ColumnRulerTens(110).substr(98), " 0         1");
}

}  // namespace
}  // namespace kestrix
