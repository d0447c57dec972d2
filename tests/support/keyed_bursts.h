#pragma once
// The tone bursts of an on/off keyed signal, as a Morse reader sees them:
// the lengths, in samples, of the stretches whose level stays above half
// the peak, measured over short windows.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kestrix::testing {

inline std::vector<int> KeyedBursts(const std::vector<double>& samples, int window = 8) {
  double peak = 0;
  for (double s : samples) {
    peak = std::max(peak, std::fabs(s));
  }
  std::vector<int> bursts;
  int run = 0;
  for (std::size_t at = 0; at < samples.size(); at += static_cast<std::size_t>(window)) {
    double level = 0;
    for (std::size_t i = at; i < std::min(samples.size(), at + window); ++i) {
      level = std::max(level, std::fabs(samples[i]));
    }
    if (peak > 0 && level > peak / 2) {
      run += window;
    } else if (run > 0) {
      bursts.push_back(run);
      run = 0;
    }
  }
  if (run > 0) {
    bursts.push_back(run);
  }
  return bursts;
}

// Little-endian 16-bit blocks as one run of samples.
template <typename Blocks>
std::vector<double> SamplesOf(const Blocks& blocks) {
  std::vector<double> samples;
  for (const auto& block : blocks) {
    for (std::size_t at = 0; at + 1 < block.size(); at += 2) {
      samples.push_back(static_cast<std::int16_t>(block[at] | block[at + 1] << 8));
    }
  }
  return samples;
}

}  // namespace kestrix::testing
