#pragma once
// Our PSK31 modem: a BPSK31 transmitter on the station's sound path. Start
// checks the card, StartTransmit opens it and sends a preamble of phase
// reversals, then the queued characters in varicode and idle reversals
// while none wait; EndTransmit lets the queue go out, then a postamble of
// steady carrier, and lets go of the card. The CW identification is keyed
// in Morse as a soft-edged tone on the carrier.
//
// Thread rules: the operations come from the window thread and from chat
// session threads; the signal is made on the modem's own worker thread,
// one per transmission, which holds the card while it plays.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/event_condition.h"
#include "common/event_loop.h"
#include "station/audio/psk31_modem.h"
#include "station/audio/sound.h"
#include "station/audio/wave_device.h"

namespace kestrix {

class SoundPsk31Modem final : public Psk31Modem {
 public:
  static constexpr int kPreambleSymbols = 32;   // about 1 s of reversals
  static constexpr int kPostambleSymbols = 32;  // about 1 s of carrier
  static constexpr double kAmplitude = 6700.0;  // the FSK tones' peak level

  SoundPsk31Modem(WaveDeviceFactory& devices, EventLoop& loop,
                  std::chrono::milliseconds bufferWait = CSound::kDefaultBufferWait);
  ~SoundPsk31Modem() override;
  SoundPsk31Modem(const SoundPsk31Modem&) = delete;
  SoundPsk31Modem& operator=(const SoundPsk31Modem&) = delete;

  void AttachStation(const StationSettings& settings, EventLog& log) override;
  int Start(int soundCardId) override;
  // Ends a transmission, lets it go out and waits until the card is let go
  // (dispatching window events on the window thread).
  void Release() override;
  void SetFrequency(int hertz) override;
  void StartTransmit(int flag) override;
  void PrepareEnd() override {}
  void EndTransmit() override;
  void DropQueued() override;
  void SetCwIdText(const std::string& text) override;
  // Characters are taken only while transmitting: with no transmission
  // they would wait for ever.
  void QueueCharacter(int code, int flag) override;
  int QueuedCount() override;
  std::string LostBecause() override;

  // A device error as the modem start report numbers it.
  static int StartErrorOf(int deviceError);

 private:
  struct Item {
    enum class Kind { kCharacter, kCwId, kEnd } kind;
    int code = 0;
    std::string text;
  };
  class Transmission;

  // Under mutex_: the next item to send, if any.
  bool TakeItem(Item& item);
  // Under mutex_: whether the worker ends after its fade-out, or sends on.
  bool EndsNow();
  void RunWorker(std::unique_ptr<WaveDevice> device);
  // Waits (dispatching window events on the window thread) until the
  // worker has ended, then joins it. The lock is held on entry and exit.
  void JoinWorker(std::unique_lock<std::mutex>& lock);
  // Under mutex_.
  int CountCharacters() const;

  WaveDeviceFactory& devices_;
  EventLoop& loop_;
  const std::chrono::milliseconds bufferWait_;
  const StationSettings* settings_ = nullptr;
  EventLog* log_ = nullptr;
  std::atomic<int> frequency_{1500};
  std::atomic<bool> stopNow_{false};

  std::mutex mutex_;  // everything below
  EventCondition workerEnded_{loop_};
  bool started_ = false;
  int card_ = 99;
  std::string configuredDevice_;
  bool transmitting_ = false;  // between StartTransmit and EndTransmit
  bool failed_ = false;        // the last transmission ended on a sound error
  std::deque<Item> queue_;
  std::string cwIdText_;
  // The worker sends on; cleared once it has decided to end.
  bool workerRunning_ = false;
  bool workerDone_ = true;  // it has let go of the card (or never ran)
  std::thread worker_;
};

}  // namespace kestrix
