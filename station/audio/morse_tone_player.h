#pragma once
// Plays Morse elements as a keyed tone, each one exactly its ticks long at
// the Morse tick period, counted from the first element so that no rounding
// adds up. Between elements that have not come yet the key stays up.

#include <chrono>
#include <cstdint>
#include <deque>

#include "station/audio/keyed_tone.h"
#include "station/audio/morse_element.h"

namespace kestrix {

class MorseTonePlayer {
 public:
  MorseTonePlayer(int sampleRate, double frequency, double amplitude,
                  std::chrono::milliseconds tick);

  void SetFrequency(double frequency) { tone_.SetFrequency(frequency); }
  void Add(const MorseElement& element) { pending_.push_back(element); }
  // Key up for `samples` before whatever comes next.
  void AddSilence(std::int64_t samples) { silence_ += samples; }
  // Fills out[0..count).
  void Render(double* out, int count);
  // Every element has been played and the tone has died away.
  bool Done() const { return pending_.empty() && left_ == 0 && silence_ == 0 && tone_.Silent(); }

 private:
  // Samples from the start of the first element to the end of `ticks`.
  std::int64_t SamplesAt(std::int64_t ticks) const;
  // Moves to the next element; false when none waits.
  bool NextElement();

  KeyedTone tone_;
  const std::int64_t sampleRate_;
  const std::int64_t tickMs_;
  std::deque<MorseElement> pending_;
  std::int64_t silence_ = 0;
  bool down_ = false;
  std::int64_t left_ = 0;       // samples left of the current element
  std::int64_t ticksDone_ = 0;  // ticks of the elements begun so far
};

}  // namespace kestrix
