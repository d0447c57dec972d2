#include "station/audio/msk_generator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kestrix {
namespace {

// The character's bits with the unused high bits set, so that whatever the
// word length the bits after the data are stop (mark).
int PaddedBits(int code, int dataBits) {
  switch (dataBits) {
    case 5:
      return (code | 0xE0) & 0xFF;
    case 6:
      return (code | 0xC0) & 0xFF;
    case 7:
      return (code | 0x80) & 0xFF;
    default:
      return code & 0xFF;
  }
}

constexpr int kMark = -1;
constexpr int kSpace = 1;

// The phase is a 64-bit fraction of a turn: the top bits pick the nearest
// of 512 table points, the rest is the way on from it, within 0.0062 rad.
// There a short series gives sin + cos to within about 1e-13, and the
// table (20 KB) stays in the first-level cache.
constexpr int kTableBits = 9;
constexpr int kTableSize = 1 << kTableBits;
constexpr int kOffsetBits = 64 - kTableBits;
constexpr std::uint64_t kHalfPoint = std::uint64_t{1} << (kOffsetBits - 1);
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
constexpr double kTurnUnits = 18446744073709551616.0;  // 2^64

// With a = the point's phase, d = the offset in radians:
// sin(a + d) + cos(a + d) = level(a) cos d + slope(a) sin d, slope = cos - sin,
// cos d = 1 - d^2/2 + d^4/24, sin d = d - d^3/6. The coefficients take the
// offset in turn units as it comes, so the series is
// c0 + u (c1 + u (c2 + u (c3 + u c4))).
struct ToneTable {
  struct Point {
    double c0, c1, c2, c3, c4;
  };
  std::array<Point, kTableSize> points;

  explicit ToneTable(double twoPi) {
    const double unit = twoPi / kTurnUnits;  // radians per turn unit
    for (int k = 0; k < kTableSize; ++k) {
      const double a = twoPi * k / kTableSize;
      const double level = std::sin(a) + std::cos(a);
      const double slope = std::cos(a) - std::sin(a);
      points[k] = {level, slope * unit, -level / 2 * unit * unit, -slope / 6 * unit * unit * unit,
                   level / 24 * unit * unit * unit * unit};
    }
  }
};

// Radians as a fraction of a turn; what is not a number counts as 0.
std::uint64_t TurnsOf(double radians, double twoPi) {
  if (!std::isfinite(radians)) {
    return 0;
  }
  double turns = radians / twoPi;
  turns -= std::floor(turns);
  const double units = turns * kTurnUnits;
  return units >= kTurnUnits ? 0 : static_cast<std::uint64_t>(units);
}

// Back to radians in [0, 2 pi).
double RadiansOf(std::uint64_t turns, double twoPi) {
  const double radians = static_cast<double>(turns >> 11) * (twoPi / 9007199254740992.0);  // 2^53
  return radians < twoPi ? radians : 0.0;
}

// sin + cos of the phase `turns`.
inline double ToneLevel(const ToneTable& table, std::uint64_t turns) {
  const std::uint64_t rounded = turns + kHalfPoint;
  const ToneTable::Point& p = table.points[rounded >> kOffsetBits];
  const auto offset =
      static_cast<std::int64_t>(rounded & kOffsetMask) - static_cast<std::int64_t>(kHalfPoint);
  const double u = static_cast<double>(offset);
  return p.c0 + u * (p.c1 + u * (p.c2 + u * (p.c3 + u * p.c4)));
}

}  // namespace

CMSKGen::CMSKGen(ToneState& shared) : shared_(shared), twoPi_(8.0 * std::atan(1.0)) {}

void CMSKGen::Init(int sampleRate, double centre, double baud) {
  shared_.baud = baud;
  SetFrequency(sampleRate, centre);
  sampleRate_ = sampleRate;
  baud_ = baud;
}

void CMSKGen::SetFrequency(int sampleRate, double centre) {
  const double centreStep = centre * twoPi_ / sampleRate;
  const double shiftStep = shared_.halfShift * twoPi_ / sampleRate;
  stepHigh_ = centreStep + shiftStep;
  stepLow_ = centreStep - shiftStep;
  turnHigh_ = TurnsOf(stepHigh_, twoPi_);
  turnLow_ = TurnsOf(stepLow_, twoPi_);
}

// Whole numbers stay exact: i * baud / rate is k at the k-th boundary.
int CMSKGen::BitAt(int sample) const {
  return static_cast<int>(std::floor(sample * baud_ / sampleRate_));
}

// The bit number never falls as the sample number grows, so the guess
// from the bit period only needs nudging to the first sample past `bit`.
int CMSKGen::BitEnd(int from, int count, int bit) const {
  const double guess = std::ceil((bit + 1.0) * sampleRate_ / baud_);
  int end = guess > from + 1 ? static_cast<int>(std::min<double>(guess, count)) : from + 1;
  while (end > from + 1 && BitAt(end - 1) > bit) {
    --end;
  }
  while (end < count && BitAt(end) <= bit) {
    ++end;
  }
  return end;
}

// Each frame opens its block, so the stop element is the rest of the block
// (1.5 bit periods for five bits) whatever the blocks before it held; a
// teleprinter needs more than 1.4 of them to latch again. Bit k covers the
// samples from k bit periods after the block start on, the boundaries
// falling between samples where they fall. Returns the index of the last
// bit boundary in the block, 0 for an idle block, which sets no level.
int CMSKGen::GenerateCharacter(double* buffer, int count, int code, int dataBits) {
  static const ToneTable table(8.0 * std::atan(1.0));
  const int bits = PaddedBits(code, dataBits);
  std::uint64_t phase = TurnsOf(shared_.tonePhase, twoPi_);
  int lastSet = 0;
  for (int from = 0; from < count;) {
    int level = kMark;
    int end = count;
    if (code != 0) {
      const int bit = BitAt(from);
      if (bit == 0) {
        level = kSpace;  // start bit
      } else if (bit <= 8) {
        level = ((bits >> (bit - 1)) & 1) != 0 ? kMark : kSpace;
      }
      end = BitEnd(from, count, bit);
      lastSet = from;
    }
    // Mark is the lower tone whichever way round the caller gave the tones.
    const std::uint64_t step = level > 0 ? turnHigh_ : turnLow_;
    for (int i = from; i < end; ++i) {
      phase += step;
      buffer[i] = ToneLevel(table, phase);
    }
    from = end;
  }
  shared_.tonePhase = RadiansOf(phase, twoPi_);
  return lastSet;
}

void CGenerators::ApplyGain(int count, double* buffer, double gain) {
  for (int i = 0; i < count; ++i) {
    buffer[i] *= gain;
  }
}

int SamplesPerCharacter(int dataBits, int sampleRate, double baud) {
  double stop = 2.0;
  if (dataBits < 6 || dataBits > 8) {
    dataBits = 5;
    stop = 1.5;
  }
  return static_cast<int>((dataBits + 1 + stop) * (sampleRate / baud));
}

}  // namespace kestrix
