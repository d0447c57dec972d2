#include "station/audio/msk_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <optional>
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

// A plain model of the line: each block opens with its frame, bit k
// covering the samples from k bit periods after the block start (boundaries
// fall between samples where they fall), 'S' and 'M' for the frame's bits,
// mark after them to the end of the block and for an idle block.
struct Line {
  double centre = kCentre;
  double halfShift = kHalfShift;
  double baud = kBaud;
  double phase = 0.0;
  int lastBoundary = 0;

  std::vector<double> Block(int count, std::string_view bits) {
    const auto bitOf = [&](int i) { return static_cast<long>(std::floor(i * baud / kRate)); };
    std::vector<double> out;
    lastBoundary = 0;
    for (int i = 0; i < count; ++i) {
      const long bit = bitOf(i);
      if (i > 0 && bit > bitOf(i - 1) && !bits.empty()) {
        lastBoundary = i;
      }
      const bool space = !bits.empty() && bit < static_cast<long>(bits.size()) && bits[bit] == 'S';
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

TEST_F(CMSKGenTest, EachFrameOpensItsBlockAndStopsWithTheRest) {
  // 'A' = 00011, sent low bit first after a space start bit.
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
  EXPECT_EQ(last, line.lastBoundary);
  EXPECT_EQ(last, 1233);  // 7 bit periods in: 1232.1 samples
  ExpectSame(Generate(31), line.Block(kBlock, "S"));
  EXPECT_EQ(last, line.lastBoundary);
  // Bits above the five data bits are ignored.
  ExpectSame(Generate(0x23), line.Block(kBlock, "SMMSSS"));
}

TEST_F(CMSKGenTest, IdleBlocksAreMarkAndTheNextFrameStillOpensItsBlock) {
  ExpectSame(Generate(0), line.Block(kBlock, ""));
  EXPECT_EQ(last, 0);
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
  ExpectSame(Generate(0, 5, 500), line.Block(500, ""));
  ExpectSame(Generate(3), line.Block(kBlock, "SMMSSS"));
  ExpectSame(Generate(0, 5, 1), line.Block(1, ""));
  ExpectSame(Generate(24), line.Block(kBlock, "SSSSMM"));
}

TEST(CMSKGen, FramesKeepTheirTimingAtEveryFiveBitRate) {
  for (const double baud : {45.45, 50.0, 56.9, 74.4, 75.0, 100.0}) {
    ToneState tone{.halfShift = kHalfShift};
    CMSKGen gen{tone};
    gen.Init(kRate, kCentre, baud);
    Line line{.baud = baud};
    const int block = SamplesPerCharacter(5, kRate, baud);
    for (const auto& [code, bits] :
         {std::pair{21, "SMSMSM"}, std::pair{0, ""}, std::pair{10, "SSMSMS"}, std::pair{31, "S"}}) {
      std::vector<double> out(block);
      gen.GenerateCharacter(out.data(), block, code, 5);
      const std::vector<double> expected = line.Block(block, bits);
      for (int i = 0; i < block; ++i) {
        ASSERT_NEAR(out[i], expected[i], 1e-9)
            << baud << " baud, code " << code << ", sample " << i;
      }
    }
  }
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
  const double spaceStep = 2 * std::numbers::pi * (kCentre + kHalfShift) / kRate;
  for (const int code : {3, 31, 0}) {
    Generate(code);
    double phase = tone.tonePhase;
    EXPECT_GE(phase, 0.0);
    EXPECT_LT(phase, 2 * std::numbers::pi);
    // Idle goes on at mark, one step on from where the block ended ...
    double first = Generate(0, 5, 1)[0];
    EXPECT_NEAR(first, std::sin(phase + markStep) + std::cos(phase + markStep), 1e-9);
    // ... and a character's start bit at space.
    phase = tone.tonePhase;
    first = Generate(31, 5, 1)[0];
    EXPECT_NEAR(first, std::sin(phase + spaceStep) + std::cos(phase + spaceStep), 1e-9);
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

// The tone as sin and cos give it sample by sample, with the generator's
// framing: what the table-driven generator must follow.
class ExactTone {
 public:
  void Start(int rate, double centre, double halfShift, double baud) {
    rate_ = rate;
    baud_ = baud;
    high_ = (centre + halfShift) * 2 * std::numbers::pi / rate;
    low_ = (centre - halfShift) * 2 * std::numbers::pi / rate;
  }

  int Generate(double* out, int count, int code, int dataBits) {
    const int bits = (dataBits == 8 ? code : code | (0xFF << dataBits)) & 0xFF;
    bool space = false;
    int bit = -1;
    int last = 0;
    for (int i = 0; i < count; ++i) {
      const int here = static_cast<int>(std::floor(i * baud_ / rate_));
      if (code != 0 && here != bit) {
        bit = here;
        space = bit == 0 || (bit <= 8 && ((bits >> (bit - 1)) & 1) == 0);
        last = i;
      }
      phase_ = std::fmod(phase_ + (space ? high_ : low_), 2 * std::numbers::pi);
      out[i] = std::sin(phase_) + std::cos(phase_);
    }
    return last;
  }

 private:
  int rate_ = kRate;
  double baud_ = kBaud;
  double high_ = 0.0;
  double low_ = 0.0;
  double phase_ = 0.0;
};

// What the sound ring writes for a level: toward zero, low 16 bits.
std::int16_t SixteenBits(double level) {
  const double clamped = std::clamp(level, double{INT_MIN}, double{INT_MAX});
  return static_cast<std::int16_t>(static_cast<int>(std::trunc(clamped)));
}

TEST(CMSKGenAccuracy, StaysWithinOneStepOfTheExactToneOverMinutesAtEveryRate) {
  struct Run {
    int rate;
    double baud;
    int dataBits;
  };
  std::vector<Run> runs;
  // The BAUD_Rate items as the station holds them (float), in five-bit and
  // in ASCII framing, and kestrix-render's rates (double).
  for (const float baud : {45.45f, 50.0f, 56.9f, 74.4f, 100.0f, 110.0f, 150.0f, 300.0f, 600.0f,
                           1200.0f, 2400.0f, 9600.0f, 19200.0f, 33600.0f, 56000.0f}) {
    runs.push_back({kRate, baud, 5});
    runs.push_back({kRate, baud, 8});
  }
  for (const double baud : {45.45, 56.9, 74.4, 75.0}) {
    runs.push_back({kRate, baud, 5});
  }
  runs.push_back({11025, 45.45, 5});
  runs.push_back({48000, 110.0, 8});
  // Transmissions with other tones: centre and half shift in Hz.
  const std::pair<double, double> kTones[] = {{2210, 85},    {1360, 85}, {1700, 425},
                                              {1500.7, 100}, {2210, 85}, {700, 650}};
  constexpr double kSecondsPerRun = 12;  // about 6 minutes in all
  constexpr double kSecondsPerTransmission = 2.5;

  std::uint32_t random = 12345;
  const auto nextRandom = [&random] {
    random = random * 1664525u + 1013904223u;
    return random >> 8;
  };
  double worst = 0;    // of the levels before they are cut to 16 bits
  long differing = 0;  // samples one step off
  long samples = 0;
  for (const Run& run : runs) {
    ToneState tone;
    ExactTone exact;
    const int block = SamplesPerCharacter(run.dataBits, run.rate, run.baud);
    const long total = static_cast<long>(kSecondsPerRun * run.rate);
    const long perTransmission = static_cast<long>(kSecondsPerTransmission * run.rate);
    std::vector<double> fast(block);
    std::vector<double> slow(block);
    int transmission = 0;
    std::optional<CMSKGen> gen;
    for (long at = 0; at < total;) {
      if (at >= static_cast<long>(transmission) * perTransmission) {
        // A new transmission takes up the shared phase with new tones ...
        const auto [centre, halfShift] = kTones[transmission % std::size(kTones)];
        tone.halfShift = halfShift;
        gen.emplace(tone);
        gen->Init(run.rate, centre, run.baud);
        exact.Start(run.rate, centre, halfShift, run.baud);
        ++transmission;
      } else if (nextRandom() % 97 == 0) {
        // ... and a frequency set mid-transmission takes effect at once.
        const double centre = 1000 + nextRandom() % 1500;
        gen->SetFrequency(run.rate, centre);
        exact.Start(run.rate, centre, tone.halfShift, run.baud);
      }
      const int code = nextRandom() % 4 == 0 ? 0 : static_cast<int>(nextRandom() & 0x1FF);
      // Now and then a block cut short, as at the end of a sample limit.
      const int count = nextRandom() % 50 == 0 ? 1 + static_cast<int>(nextRandom() % block) : block;
      const int fastLast = gen->GenerateCharacter(fast.data(), count, code, run.dataBits);
      const int slowLast = exact.Generate(slow.data(), count, code, run.dataBits);
      ASSERT_EQ(fastLast, slowLast) << run.baud << " baud, code " << code << " at sample " << at;
      CGenerators{}.ApplyGain(count, fast.data(), CGenerators::kGain);
      CGenerators{}.ApplyGain(count, slow.data(), CGenerators::kGain);
      for (int i = 0; i < count; ++i) {
        worst = std::max(worst, std::abs(fast[i] - slow[i]));
        const int step = std::abs(SixteenBits(fast[i]) - SixteenBits(slow[i]));
        ASSERT_LE(step, 1) << run.rate << "/s, " << run.baud << " baud, " << run.dataBits
                           << " bits: sample " << at + i << " is " << fast[i] << ", not "
                           << slow[i];
        differing += step;
      }
      at += count;
      samples += count;
    }
  }
  EXPECT_GT(samples, 6 * 60 * kRate);
  std::printf("%ld samples, %ld one step off; largest difference before the cut %.3g steps\n",
              samples, differing, worst);
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
