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

namespace kestrix {

// soundCardID values below 5 name a card (or the default device) that
// carries the signal; 5 and above leave the serial port to do it.
constexpr bool UsesSoundCard(int soundCardID) {
  return soundCardID < 5;
}

// What a worker plays, fixed for its whole run: rate and centre of the
// tones, and the framing of each block (DATABITS and BAUD as they were
// when it was asked for).
struct SoundSignal {
  int sampleRate = 8000;
  int centerFrequency = 0;
  int dataBits = 5;
  double baud = 45.45;
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
  bool Idle() override { return false; }
  SoundPathState State() override { return SoundPathState::kOff; }
};

}  // namespace kestrix
