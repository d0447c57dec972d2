#pragma once
// The sound keying thread as the output routing sees it: a small queue of
// codes that a worker turns into audio FSK. One keyer is made for every
// transmitter-on and told to stop at transmitter-off.
//
// Waking: when its queue becomes empty the keyer announces it with
// EventLoop::Post on the window loop, so a window-thread waiter blocks on
// the loop instead of polling QueueEmpty().

#include <memory>

namespace kestrix {

// soundCardID values below 5 name a card (or the default device) that
// carries the signal; 5 and above leave the serial port to do it.
constexpr bool UsesSoundCard(int soundCardID) {
  return soundCardID < 5;
}

class SoundKeyer {
 public:
  virtual ~SoundKeyer() = default;

  virtual void Start(int sampleRate, int centerFrequency) = 0;
  virtual bool QueueEmpty() = 0;
  virtual void Enqueue(int code) = 0;
  // Asks the worker to end after what it is playing.
  virtual void RequestStop() = 0;
};

class SoundKeyerFactory {
 public:
  virtual ~SoundKeyerFactory() = default;
  // The factory may keep the keyer alive after the caller lets go of it,
  // until its worker has ended.
  virtual std::shared_ptr<SoundKeyer> Create() = 0;
};

// No sound output: codes are taken and dropped at once.
class NullSoundKeyer final : public SoundKeyer {
 public:
  void Start(int, int) override {}
  bool QueueEmpty() override { return true; }
  void Enqueue(int) override {}
  void RequestStop() override {}
};

class NullSoundKeyerFactory final : public SoundKeyerFactory {
 public:
  std::shared_ptr<SoundKeyer> Create() override { return std::make_shared<NullSoundKeyer>(); }
};

}  // namespace kestrix
