#pragma once
// BPSK31: one symbol of 256 samples at 8000 per second (31.25 baud) per
// bit. A 0 reverses the carrier's phase, a 1 keeps it. A reversal is made
// by a cosine through zero amplitude across the symbol, so continuous
// reversals (the idle) are two tones 31.25 Hz apart and nothing more. The
// carrier's phase runs on across symbols and frequency changes.

namespace kestrix {

class Bpsk31Modulator {
 public:
  static constexpr int kSampleRate = 8000;
  static constexpr int kSymbolSamples = 256;

  Bpsk31Modulator(double frequency, double amplitude);

  // Takes effect at the next symbol.
  void SetFrequency(double frequency) { frequency_ = frequency; }
  // One symbol into out[0..kSymbolSamples).
  void Symbol(bool bit, double* out);
  // The carrier rising from silence to full level over one symbol, and
  // falling back to silence: no click at the start and end of a
  // transmission.
  void FadeIn(double* out);
  void FadeOut(double* out);

 private:
  // Fills the symbol with the carrier times envelope(n), n = 0..255.
  template <typename Envelope>
  void Carrier(double* out, Envelope envelope);

  double frequency_;
  double amplitude_;
  double phase_ = 0.0;
  double sign_ = 1.0;
};

}  // namespace kestrix
