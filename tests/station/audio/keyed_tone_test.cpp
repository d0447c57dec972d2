// The keyed Morse tone: soft edges, no clicks.

#include "station/audio/keyed_tone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kestrix {
namespace {

TEST(KeyedToneTest, TheToneRisesAndFallsOverFiveMillisecondsWithoutAJump) {
  KeyedTone tone(8000, 1000, 1.0);
  std::vector<double> x(400);
  tone.Render(x.data(), 200, true);
  tone.Render(x.data() + 200, 200, false);
  const auto peakIn = [&x](std::size_t from, std::size_t to) {
    double peak = 0;
    for (std::size_t i = from; i < to; ++i) {
      peak = std::max(peak, std::fabs(x[i]));
    }
    return peak;
  };
  EXPECT_LT(peakIn(0, 8), 0.1);      // starts from nothing
  EXPECT_LT(peakIn(16, 24), 0.75);   // still rising 2 to 3 ms in
  EXPECT_GT(peakIn(40, 200), 0.99);  // full from 5 ms on
  EXPECT_GT(peakIn(200, 216), 0.7);  // falling, not cut
  EXPECT_LT(peakIn(240, 400), 1e-9);
  EXPECT_TRUE(tone.Silent());
  // No step larger than the sine itself makes.
  const double largest = 2 * std::numbers::pi * 1000 / 8000;
  for (std::size_t i = 1; i < x.size(); ++i) {
    EXPECT_LE(std::fabs(x[i] - x[i - 1]), largest) << i;
  }
}

}  // namespace
}  // namespace kestrix
