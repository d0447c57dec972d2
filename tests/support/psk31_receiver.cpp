#include "tests/support/psk31_receiver.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

namespace kestrix::testing {
namespace {

constexpr int kRate = 8000;
constexpr int kSymbol = 256;  // 31.25 baud

std::map<std::string, char> ReadVaricode() {
  std::map<std::string, char> table;
  std::ifstream file(KESTRIX_TEST_SUPPORT_DIR "/psk31-varicode.tsv");
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line);
    int value = 0;
    std::string hex, name, code;
    std::getline(fields, name, '\t');
    value = std::stoi(name);
    std::getline(fields, hex, '\t');
    std::getline(fields, name, '\t');
    std::getline(fields, code, '\t');
    table[code] = static_cast<char>(value);
  }
  return table;
}

// A centred moving average of `length`, applied twice.
std::vector<std::complex<double>> LowPass(const std::vector<std::complex<double>>& in, int length) {
  std::vector<std::complex<double>> out = in;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::complex<double>> next(out.size());
    std::complex<double> sum = 0;
    const int half = length / 2;
    for (int n = 0; n < static_cast<int>(out.size()) + half; ++n) {
      if (n < static_cast<int>(out.size())) {
        sum += out[static_cast<std::size_t>(n)];
      }
      if (n - length >= 0) {
        sum -= out[static_cast<std::size_t>(n - length)];
      }
      const int at = n - half;
      if (at >= 0 && at < static_cast<int>(out.size())) {
        next[static_cast<std::size_t>(at)] = sum / static_cast<double>(length);
      }
    }
    out = std::move(next);
  }
  return out;
}

// Stretches [begin, end) where a signal is on, from the level over two
// symbols (idle reversals dip to nothing only inside each symbol).
std::vector<std::pair<std::size_t, std::size_t>> Transmissions(const std::vector<double>& x) {
  double peak = 0;
  for (double s : x) {
    peak = std::max(peak, std::fabs(s));
  }
  std::vector<std::pair<std::size_t, std::size_t>> found;
  const std::size_t window = 2 * kSymbol;
  bool on = false;
  std::size_t begin = 0;
  for (std::size_t at = 0; at < x.size(); at += window) {
    double level = 0;
    for (std::size_t i = at; i < std::min(x.size(), at + window); ++i) {
      level = std::max(level, std::fabs(x[i]));
    }
    const bool active = peak > 0 && level > peak * 0.25;
    if (active && !on) {
      begin = at;
    } else if (!active && on) {
      found.emplace_back(begin, at);
    }
    on = active;
  }
  if (on) {
    found.emplace_back(begin, x.size());
  }
  return found;
}

std::string Bits(const std::vector<std::complex<double>>& baseband) {
  // The symbol timing: where the sampled strength is greatest.
  int best = 0;
  double bestPower = -1;
  for (int offset = 0; offset < kSymbol; offset += 4) {
    double power = 0;
    for (std::size_t at = static_cast<std::size_t>(offset); at < baseband.size(); at += kSymbol) {
      power += std::norm(baseband[at]);
    }
    if (power > bestPower) {
      bestPower = power;
      best = offset;
    }
  }
  double peak = 0;
  for (const auto& value : baseband) {
    peak = std::max(peak, std::abs(value));
  }
  // A squelch: a symbol too weak to carry a phase (the carrier rising or
  // dying away) reads as a reversal, which no character ends on.
  const auto weak = [peak](std::complex<double> value) { return std::abs(value) < 0.3 * peak; };
  std::string bits;
  std::complex<double> last = 0;
  for (std::size_t at = static_cast<std::size_t>(best); at < baseband.size(); at += kSymbol) {
    const std::complex<double> now = baseband[at];
    bits += !weak(now) && !weak(last) && (now * std::conj(last)).real() > 0 ? '1' : '0';
    last = now;
  }
  return bits;
}

}  // namespace

std::string ReceivePsk31(const std::vector<double>& samples, double carrier) {
  static const std::map<std::string, char> kVaricode = ReadVaricode();
  std::string text;
  for (const auto& [begin, end] : Transmissions(samples)) {
    std::vector<std::complex<double>> mixed;
    const double step = 2 * std::numbers::pi * carrier / kRate;
    for (std::size_t n = begin; n < end; ++n) {
      mixed.push_back(samples[n] * std::polar(1.0, -step * static_cast<double>(n)));
    }
    const std::string bits = Bits(LowPass(mixed, 64));
    // Codes lie between runs of two or more zeros.
    std::string code;
    int zeros = 0;
    for (char bit : bits + "00") {
      if (bit == '1') {
        if (!code.empty()) {
          code.append(static_cast<std::size_t>(zeros), '0');
        }
        code += '1';
        zeros = 0;
      } else if (++zeros == 2 && !code.empty()) {
        const auto found = kVaricode.find(code);
        if (found != kVaricode.end()) {
          text += found->second;
        }
        code.clear();
      }
    }
  }
  return text;
}

std::vector<double> WavSamples(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<double> samples;
  // The station writes a 44-byte header before the samples.
  for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) {
    samples.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                                static_cast<std::uint8_t>(bytes[at + 1]) << 8));
  }
  return samples;
}

}  // namespace kestrix::testing
