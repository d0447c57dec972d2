#include "station/psk31/bpsk31_modulator.h"

#include <cmath>
#include <numbers>

namespace kestrix {

Bpsk31Modulator::Bpsk31Modulator(double frequency, double amplitude)
    : frequency_(frequency), amplitude_(amplitude) {}

template <typename Envelope>
void Bpsk31Modulator::Carrier(double* out, Envelope envelope) {
  const double step = 2.0 * std::numbers::pi * frequency_ / kSampleRate;
  for (int n = 0; n < kSymbolSamples; ++n) {
    out[n] = amplitude_ * envelope(n) * std::cos(phase_);
    phase_ += step;
  }
  phase_ = std::fmod(phase_, 2.0 * std::numbers::pi);
}

void Bpsk31Modulator::Symbol(bool bit, double* out) {
  const double sign = sign_;
  if (bit) {
    Carrier(out, [sign](int) { return sign; });
    return;
  }
  // From +sign at the symbol's start to -sign at its end.
  Carrier(out,
          [sign](int n) { return sign * std::cos(std::numbers::pi * (n + 0.5) / kSymbolSamples); });
  sign_ = -sign_;
}

void Bpsk31Modulator::FadeIn(double* out) {
  const double sign = sign_;
  Carrier(out, [sign](int n) {
    return sign * (0.5 - 0.5 * std::cos(std::numbers::pi * (n + 0.5) / kSymbolSamples));
  });
}

void Bpsk31Modulator::FadeOut(double* out) {
  const double sign = sign_;
  Carrier(out, [sign](int n) {
    return sign * (0.5 + 0.5 * std::cos(std::numbers::pi * (n + 0.5) / kSymbolSamples));
  });
}

}  // namespace kestrix
