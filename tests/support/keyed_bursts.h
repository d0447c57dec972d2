#pragma once
// The tone bursts of an on/off keyed signal, as a Morse reader sees them:
// the lengths, in samples, of the stretches whose level stays above half
// the peak, measured over short windows.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kestrix::testing {

struct Burst {
  std::size_t start = 0;  // sample index
  int length = 0;         // samples
};

inline std::vector<Burst> KeyedBurstSpans(const std::vector<double>& samples, int window = 8) {
  double peak = 0;
  for (double s : samples) {
    peak = std::max(peak, std::fabs(s));
  }
  std::vector<Burst> bursts;
  int run = 0;
  const auto step = static_cast<std::size_t>(window);
  for (std::size_t at = 0; at < samples.size(); at += step) {
    double level = 0;
    for (std::size_t i = at; i < std::min(samples.size(), at + step); ++i) {
      level = std::max(level, std::fabs(samples[i]));
    }
    if (peak > 0 && level > peak / 2) {
      run += window;
    } else if (run > 0) {
      bursts.push_back({at - static_cast<std::size_t>(run), run});
      run = 0;
    }
  }
  if (run > 0) {
    bursts.push_back({samples.size() - static_cast<std::size_t>(run), run});
  }
  return bursts;
}

inline std::vector<int> KeyedBursts(const std::vector<double>& samples, int window = 8) {
  std::vector<int> lengths;
  for (const Burst& burst : KeyedBurstSpans(samples, window)) {
    lengths.push_back(burst.length);
  }
  return lengths;
}

// The frequency of a steady tone in samples[from, from + count), from its
// zero crossings, at 8000 samples per second.
inline double ToneFrequency(const std::vector<double>& samples, std::size_t from,
                            std::size_t count) {
  int crossings = 0;
  for (std::size_t at = from + 1; at < from + count && at < samples.size(); ++at) {
    if ((samples[at - 1] < 0) != (samples[at] < 0)) {
      ++crossings;
    }
  }
  return crossings / 2.0 / (static_cast<double>(count) / 8000.0);
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
