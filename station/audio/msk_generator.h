#pragma once
// Audio FSK for one character: a block of samples holding the whole
// asynchronous frame as a phase-continuous tone, the frame starting with the
// block and its stop element filling the rest. Mark is always the lower
// tone. The tone phase runs on from block to block.
//
// The tone is read from a table with a short correction between its points
// instead of sin and cos for every sample: within a hair of the 16-bit
// output the exact sum gives, at a fraction of the cost, so offline
// rendering is quick and a station idles at little CPU.

#include <cstdint>

namespace kestrix {

// The tone state the generators of the whole program share: the phase is
// never reset, so the tone stays continuous across characters, idle and
// transmissions. Used by one sound keying thread at a time.
struct ToneState {
  double tonePhase = 0.0;  // radians, [0, 2 pi)
  double halfShift = 0.0;  // Hz, set at transmitter-on
  double baud = 45.45;     // copied by Init
};

class CMSKGen {
 public:
  explicit CMSKGen(ToneState& shared);
  virtual ~CMSKGen() = default;

  // Takes `baud` into the shared state.
  void Init(int sampleRate, double centre, double baud);
  void SetFrequency(int sampleRate, double centre);
  // Fills buffer[0..count) with the frame of `code` (0: an idle block of
  // mark); returns the index of the last sample where a level was set.
  int GenerateCharacter(double* buffer, int count, int code, int dataBits);

 private:
  // The first sample after `from` where the bit number passes `bit`, at
  // most `count`.
  int BitEnd(int from, int count, int bit) const;
  int BitAt(int sample) const;

  ToneState& shared_;
  double twoPi_;
  int sampleRate_ = 8000;
  double baud_ = 45.45;
  double stepHigh_ = 0.0;
  double stepLow_ = 0.0;
  // The same steps in 2^-64 turns, where the phase wraps by itself.
  std::uint64_t turnHigh_ = 0;
  std::uint64_t turnLow_ = 0;
};

// The output level stage.
class CGenerators {
 public:
  virtual ~CGenerators() = default;
  static constexpr double kGain = 4739.0;
  void ApplyGain(int count, double* buffer, double gain);
};

// Samples per character block: (data bits + start + stop) bit periods at
// `baud`, truncated. 5 data bits stop with 1.5 periods, 6..8 with 2.
int SamplesPerCharacter(int dataBits, int sampleRate, double baud);

}  // namespace kestrix
