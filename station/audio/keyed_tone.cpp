#include "station/audio/keyed_tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrix {

KeyedTone::KeyedTone(int sampleRate, double frequency, double amplitude)
    : sampleRate_(sampleRate),
      amplitude_(amplitude),
      edgeSamples_(std::max(1, static_cast<int>(std::lround(kEdgeSeconds * sampleRate)))) {
  SetFrequency(frequency);
}

void KeyedTone::SetFrequency(double frequency) {
  step_ = 2.0 * std::numbers::pi * frequency / sampleRate_;
}

void KeyedTone::Render(double* out, int count, bool down) {
  for (int i = 0; i < count; ++i) {
    level_ = std::clamp(level_ + (down ? 1 : -1), 0, edgeSamples_);
    const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * level_ / edgeSamples_);
    out[i] = amplitude_ * gain * std::sin(phase_);
    phase_ = std::fmod(phase_ + step_, 2.0 * std::numbers::pi);
  }
}

}  // namespace kestrix
