#pragma once
// A tone keyed on and off for Morse: a sine at a given frequency whose level
// rises and falls over a raised-cosine edge (5 ms), so a keyed carrier does
// not splatter clicks across the band. The phase runs on through key-up, and
// the edge runs on across calls.

namespace kestrix {

class KeyedTone {
 public:
  static constexpr double kEdgeSeconds = 0.005;

  KeyedTone(int sampleRate, double frequency, double amplitude);

  void SetFrequency(double frequency);
  // Fills out[0..count) with the key held `down` (an edge in progress goes
  // on toward it).
  void Render(double* out, int count, bool down);
  // True while no tone sounds: the key is up and the last edge has ended.
  bool Silent() const { return level_ == 0; }

 private:
  int sampleRate_;
  double amplitude_;
  double phase_ = 0.0;
  double step_ = 0.0;
  int edgeSamples_;
  int level_ = 0;  // samples into the edge: 0 silent, edgeSamples_ full
};

}  // namespace kestrix
