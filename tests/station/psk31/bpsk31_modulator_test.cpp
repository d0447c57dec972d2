// The BPSK31 signal itself: the idle's spectrum, and varicode.

#include "station/psk31/bpsk31_modulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <set>
#include <vector>

#include "station/psk31/psk31_varicode.h"

namespace kestrix {
namespace {

// Power at `frequency` over the whole of `x` (one bin of a DFT, Hann
// windowed so that one bin's leakage does not hide the splatter).
double PowerAt(const std::vector<double>& x, double frequency) {
  std::complex<double> sum = 0;
  std::complex<double> turn = 1;
  const std::complex<double> step =
      std::polar(1.0, -2 * std::numbers::pi * frequency / Bpsk31Modulator::kSampleRate);
  for (std::size_t n = 0; n < x.size(); ++n) {
    const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / (x.size() - 1));
    sum += hann * x[n] * turn;
    turn *= step;
  }
  return std::norm(sum);
}

TEST(Bpsk31ModulatorTest, TheIdleIsTwoTonesAndNothingBeyondFiftyHertz) {
  Bpsk31Modulator modulator(1500, 1.0);
  std::vector<double> idle(256 * 128);
  for (std::size_t at = 0; at < idle.size(); at += 256) {
    modulator.Symbol(false, idle.data() + at);
  }
  const double tone = std::max(PowerAt(idle, 1500 - 15.625), PowerAt(idle, 1500 + 15.625));
  EXPECT_LT(PowerAt(idle, 1500), tone * 1e-3);  // no carrier in the idle
  double worst = 0;
  for (double offset = 50; offset <= 600; offset += 1) {
    worst = std::max({worst, PowerAt(idle, 1500 + offset), PowerAt(idle, 1500 - offset)});
  }
  const double down = 10 * std::log10(tone / worst);
  std::printf("idle splatter beyond +-50 Hz: %.1f dB below the tones\n", down);
  EXPECT_GT(down, 30.0);
}

TEST(Bpsk31ModulatorTest, AOneKeepsThePhaseAndAZeroReversesItWithoutAJump) {
  Bpsk31Modulator modulator(1000, 1.0);
  std::vector<double> x(256 * 3);
  modulator.Symbol(true, x.data());
  modulator.Symbol(false, x.data() + 256);
  modulator.Symbol(true, x.data() + 512);
  // The carrier before and after the reversal is the same wave, inverted.
  const double step = 2 * std::numbers::pi * 1000 / 8000;
  EXPECT_NEAR(x[100], std::cos(step * 100), 1e-9);
  EXPECT_NEAR(x[612], -std::cos(step * 612), 1e-9);
  // Through the reversal the level falls to nothing mid-symbol.
  EXPECT_LT(std::fabs(x[384]), 0.02);
  for (std::size_t n = 1; n < x.size(); ++n) {
    EXPECT_LT(std::fabs(x[n] - x[n - 1]), 2 * step) << n;
  }
}

TEST(Psk31VaricodeTest, CodesNeverHoldTwoZerosAndAreAllDifferent) {
  std::set<std::string_view> seen;
  for (int c = 0; c < 128; ++c) {
    const std::string_view code = Psk31Varicode::Code(c);
    EXPECT_EQ(code.front(), '1');
    EXPECT_EQ(code.back(), '1');
    EXPECT_EQ(code.find("00"), std::string_view::npos);
    EXPECT_TRUE(seen.insert(code).second) << c;
  }
  EXPECT_EQ(Psk31Varicode::Code(' '), "1");
  EXPECT_EQ(Psk31Varicode::Code('e'), "11");
  EXPECT_EQ(Psk31Varicode::Code('\n'), "11101");
  EXPECT_EQ(Psk31Varicode::Code('e' | 0x80), "11");  // the top bit does not count
}

}  // namespace
}  // namespace kestrix
