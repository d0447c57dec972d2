#pragma once
// The sound keying thread as the transmitter switch and the output routing
// see it: one object for the whole run, which starts a worker at every
// transmitter-on (and again when the mode or rate changes while on) and
// stops it at transmitter-off. The worker turns each code handed over into
// one block of audio FSK.
//
// Waking: whenever its worker starts, ends or empties its queue, the keyer
// announces it with EventLoop::Post on the window loop, so a window-thread
// waiter blocks on the loop instead of polling.

#include <functional>

#include "station/audio/morse_element.h"

namespace kestrix {

// soundCardID values below 5 name a card (or the default device) that
// carries the signal; 5 and above leave the serial port to do it.
constexpr bool UsesSoundCard(int soundCardID) {
  return soundCardID < 5;
}

// What a worker plays, fixed for its whole run: rate and centre of the
// tones, the framing of each block (DATABITS and BAUD as they were when it
// was asked for), and the Morse keying: its tone (the mark tone) and tick.
// A worker without FSK (CW mode) is silent except for its Morse.
struct SoundSignal {
  int sampleRate = 8000;
  int centerFrequency = 0;
  int dataBits = 5;
  double baud = 45.45;
  int morseTone = 0;
  int morseTickMs = 6;
  bool fsk = true;
  bool operator==(const SoundSignal&) const = default;
};

enum class SoundPathState {
  kOff,       // no worker is wanted: the transmitter is off
  kStarting,  // wanted; the card is not open yet (or the last worker still holds it)
  kRunning,   // a worker plays and takes codes
  kFailed,    // the worker ended on a sound error
};

class SoundKeyer {
 public:
  virtual ~SoundKeyer() = default;

  // Transmitter-on, or a new mode or rate while on: a worker playing
  // `signal`. A worker that plays it already plays on; one that plays
  // another takes the code handed over last, then plays out and lets go
  // of the card. Waits (dispatching window events) until the new worker
  // exists. A Stop or Start handled during that wait decides instead: the
  // latest one wins.
  virtual void Start(const SoundSignal& signal) = 0;
  // Transmitter-off: waits until the worker has taken the code handed over
  // last, runs `playOut` while it plays on, then stops it and waits until
  // it has played out what it wrote and let go of the card. A Start handled
  // meanwhile keeps the worker playing instead.
  virtual void Stop(const std::function<void()>& playOut) = 0;

  // Hands one code to the worker: waits while it is starting and until it
  // has taken the code before. False when no worker takes codes (kOff,
  // kFailed): the code is lost.
  virtual bool Send(int code) = 0;
  // Hands the code over only if the worker takes it without waiting.
  virtual bool TrySend(int code) = 0;
  // Adds a stretch of Morse keying to what the worker plays, right after
  // what it has already been given, so the tone follows the ticks of the
  // control line exactly (some blocks behind it). Never waits; dropped
  // when no worker plays. A worker asked to stop plays its Morse first.
  virtual void KeyMorse(const MorseElement& element) = 0;
  // A worker runs and holds no code.
  virtual bool Idle() = 0;
  virtual SoundPathState State() = 0;
};

// No sound output: nothing is ever wanted, codes are lost.
class NullSoundKeyer final : public SoundKeyer {
 public:
  void Start(const SoundSignal&) override {}
  void Stop(const std::function<void()>& playOut) override { playOut(); }
  bool Send(int) override { return false; }
  bool TrySend(int) override { return false; }
  void KeyMorse(const MorseElement&) override {}
  bool Idle() override { return false; }
  SoundPathState State() override { return SoundPathState::kOff; }
};

}  // namespace kestrix
