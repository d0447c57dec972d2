#include "station/audio/msk_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix {
namespace {

constexpr int kRate = 8000;
constexpr double kBaud = 45.45;
constexpr double kCentre = 2210.0;
constexpr double kHalfShift = 85.0;
constexpr int kBlock = 1320;  // one five-bit character at 45.45 baud

// A plain model of the line: bit boundaries at whole bit periods of a clock
// that started with the first sample, 'S' and 'M' for the bits that start in
// the block, mark before the first and after the last.
struct Line {
  double centre = kCentre;
  double halfShift = kHalfShift;
  long sample = 0;  // samples since the clock started
  double phase = 0.0;
  int lastBoundary = 0;

  std::vector<double> Block(int count, std::string_view bits) {
    const auto bitsBefore = [](long samples) {
      return static_cast<long>(std::floor(samples * kBaud / kRate));
    };
    const long first = bitsBefore(sample);
    std::vector<double> out;
    lastBoundary = 0;
    for (int i = 0; i < count; ++i, ++sample) {
      const long started = bitsBefore(sample + 1) - first;
      if (started > bitsBefore(sample) - first && !bits.empty()) {
        lastBoundary = i;
      }
      const bool space =
          started > 0 && started <= static_cast<long>(bits.size()) && bits[started - 1] == 'S';
      const double f = space ? centre + halfShift : centre - halfShift;
      phase = std::fmod(phase + 2 * std::numbers::pi * f / kRate, 2 * std::numbers::pi);
      out.push_back(std::sin(phase) + std::cos(phase));
    }
    return out;
  }
};

class CMSKGenTest : public ::testing::Test {
 protected:
  CMSKGenTest() {
    tone.halfShift = kHalfShift;
    gen.Init(kRate, kCentre, kBaud);
  }

  std::vector<double> Generate(int code, int dataBits = 5, int count = kBlock) {
    std::vector<double> out(count);
    last = gen.GenerateCharacter(out.data(), count, code, dataBits);
    return out;
  }

  static void ExpectSame(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      ASSERT_NEAR(actual[i], expected[i], 1e-9) << "sample " << i;
    }
  }

  ToneState tone;
  CMSKGen gen{tone};
  Line line;
  int last = -1;
};

TEST_F(CMSKGenTest, FiveBitFramesFollowTheContinuousBitClock) {
  // 'A' = 00011, sent low bit first after a space start bit.
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
  EXPECT_EQ(last, line.lastBoundary);
  EXPECT_EQ(last, 1232);
  ExpectSame(Generate(31), line.Block(kBlock, "S"));
  EXPECT_EQ(last, line.lastBoundary);
  // Bits above the five data bits are ignored.
  ExpectSame(Generate(0x23), line.Block(kBlock, "SMMSSS"));
}

TEST_F(CMSKGenTest, IdleBlockIsMarkAndKeepsTheBitClock) {
  ExpectSame(Generate(0), line.Block(kBlock, ""));
  EXPECT_EQ(last, 0);
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
  EXPECT_EQ(last, line.lastBoundary);
  ExpectSame(Generate(0, 5, 500), line.Block(500, ""));
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
}

TEST_F(CMSKGenTest, PadsWiderWordsWithStopBits) {
  const int ascii = SamplesPerCharacter(8, kRate, kBaud);
  // 'A' = 0x41; seven data bits send mark where eight send the top bit.
  ExpectSame(Generate(0x41, 8, ascii), line.Block(ascii, "SMSSSSSMS"));
  ExpectSame(Generate(0x41, 7, ascii), line.Block(ascii, "SMSSSSSMM"));
  ExpectSame(Generate(0x141, 8, ascii), line.Block(ascii, "SMSSSSSMS"));
  ExpectSame(Generate(0x01, 6, ascii), line.Block(ascii, "SMSSSSS"));
}

TEST_F(CMSKGenTest, PhaseRunsOnAcrossBlocksAndGenerators) {
  const double markStep = 2 * std::numbers::pi * (kCentre - kHalfShift) / kRate;
  for (const int code : {3, 31, 0}) {
    Generate(code);
    const double phase = tone.tonePhase;
    EXPECT_GE(phase, 0.0);
    EXPECT_LT(phase, 2 * std::numbers::pi);
    // The next block opens at mark, one step on from where this one ended.
    const double first = Generate(code, 5, 1)[0];
    EXPECT_NEAR(first, std::sin(phase + markStep) + std::cos(phase + markStep), 1e-9);
  }
  // A new transmission takes up the shared phase too.
  const double phase = tone.tonePhase;
  CMSKGen other{tone};
  other.Init(kRate, kCentre, kBaud);
  std::vector<double> out(1);
  other.GenerateCharacter(out.data(), 1, 0, 5);
  EXPECT_NEAR(out[0], std::sin(phase + markStep) + std::cos(phase + markStep), 1e-9);
}

TEST(CMSKGen, MarkIsTheLowerToneEitherWayRound) {
  std::vector<std::vector<double>> blocks;
  for (const auto& [mark, space] : {std::pair{2295.0, 2125.0}, std::pair{2125.0, 2295.0}}) {
    ToneState tone;
    tone.halfShift = std::abs(mark - space) / 2;
    CMSKGen gen{tone};
    gen.Init(kRate, (mark + space) / 2, kBaud);
    auto& out = blocks.emplace_back(kBlock);
    gen.GenerateCharacter(out.data(), kBlock, 0, 5);
  }
  EXPECT_EQ(blocks[0], blocks[1]);
  Line line{.centre = 2210.0, .halfShift = 85.0};
  const std::vector<double> lowTone = line.Block(kBlock, "");
  for (int i = 0; i < kBlock; ++i) {
    ASSERT_NEAR(blocks[0][i], lowTone[i], 1e-9) << "sample " << i;
  }
}

TEST(CMSKGen, SamplesPerCharacterTruncatesTheFrame) {
  EXPECT_EQ(SamplesPerCharacter(5, kRate, 45.45), 1320);
  EXPECT_EQ(SamplesPerCharacter(5, kRate, 50.0), 1200);
  EXPECT_EQ(SamplesPerCharacter(5, kRate, 56.9), 1054);
  EXPECT_EQ(SamplesPerCharacter(5, kRate, 74.4), 806);
  EXPECT_EQ(SamplesPerCharacter(5, kRate, 100.0), 600);
  EXPECT_EQ(SamplesPerCharacter(6, kRate, 45.45), 1584);
  EXPECT_EQ(SamplesPerCharacter(7, kRate, 45.45), 1760);
  EXPECT_EQ(SamplesPerCharacter(8, kRate, 45.45), 1936);
  EXPECT_EQ(SamplesPerCharacter(0, kRate, 45.45), 1320);
  EXPECT_EQ(SamplesPerCharacter(5, 11025, 50.0), 1653);  // 1653.75
}

TEST(CMSKGen, GainScalesToThePeakLevel) {
  ToneState tone{.halfShift = kHalfShift};
  CMSKGen gen{tone};
  gen.Init(kRate, kCentre, kBaud);
  std::vector<double> out(kBlock);
  double peak = 0.0;
  for (const int code : {3, 31, 0, 24}) {
    gen.GenerateCharacter(out.data(), kBlock, code, 5);
    std::vector<double> scaled = out;
    CGenerators{}.ApplyGain(kBlock, scaled.data(), CGenerators::kGain);
    for (int i = 0; i < kBlock; ++i) {
      ASSERT_DOUBLE_EQ(scaled[i], out[i] * 4739.0);
      peak = std::max(peak, std::abs(scaled[i]));
    }
  }
  EXPECT_GT(peak, 6700.0);
  EXPECT_LE(peak, 6702.1);
}

}  // namespace
}  // namespace kestrix
