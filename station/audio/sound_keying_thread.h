#pragma once
// The sound keying thread: a worker that turns each queued code into one
// block of audio FSK and plays it through the sound ring, and plays idle
// mark while nothing is queued, for as long as the transmitter is on.
// CProcThread owns one worker; SoundKeyingThread is the station's one
// keying object, which makes a CProcThread per transmission and sees to it
// that at most one exists at any moment.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/event_condition.h"
#include "common/event_log.h"
#include "common/event_loop.h"
#include "common/message_box.h"
#include "station/audio/msk_generator.h"
#include "station/audio/sound.h"
#include "station/audio/sound_keyer.h"
#include "station/audio/wave_device.h"
#include "station/config/station_settings.h"

namespace kestrix {

// What every worker shares with the station.
struct SoundKeyingContext {
  StationSettings& settings;
  EventLoop& loop;
  EventLog& log;
  MessageBox& box;
  WaveDeviceFactory& devices;
  ToneState& tones;
  // Run on the window thread when a worker ends on a sound error.
  std::function<void()> switchTransmitterOff;
  std::chrono::milliseconds bufferWait = CSound::kDefaultBufferWait;
};

class CProcThread final {
 public:
  static constexpr int kQueueSize = 99;
  static constexpr std::size_t kMorseQueueSize = 4096;

  // `changed` is called on the worker thread whenever the worker has
  // started, ended or emptied its queue; `failed` once when it ends on an
  // error.
  CProcThread(SoundKeyingContext& context, std::function<void()> changed,
              std::function<void()> failed);
  ~CProcThread();  // asks the worker to stop and joins it
  CProcThread(const CProcThread&) = delete;
  CProcThread& operator=(const CProcThread&) = delete;

  void Start(const SoundSignal& signal);
  // True when no code waits (or the worker has ended and takes none).
  bool QueueEmpty();
  // The newest code replaces the last one when the queue is full. False
  // when the worker has ended.
  bool Enqueue(int code);
  // Dropped when the worker has ended, or when it already holds
  // kMorseQueueSize elements (the keyer runs far behind the ticks then).
  void EnqueueMorse(const MorseElement& element);
  void RequestStop();

  // kStarting until the card has taken a first block, kRunning while
  // playing, then kOff after a stop or kFailed after an error.
  SoundPathState State() const { return state_; }
  // True once the worker has released the sound card (or never ran).
  bool Ended() const { return ended_; }
  bool StopRequested() const { return stop_; }
  bool Plays(const SoundSignal& signal) const { return signal == signal_; }

 private:
  class Blocks;

  // True when it ended on a stop request, false on an error.
  bool Run(const SoundSignal& signal);
  // The next code, 0 (idle) when none is queued.
  int TakeCode();
  // Moves the Morse handed over into `to`; false when there was none.
  bool TakeMorse(std::deque<MorseElement>& to);
  void Report(const std::string& text);

  SoundKeyingContext& context_;
  const std::function<void()> changed_;
  const std::function<void()> failed_;
  SoundSignal signal_;
  // Made on the calling thread at Start, opened by the worker.
  std::unique_ptr<WaveDevice> device_;
  std::mutex queueLock_;  // the queue and its count together
  int queue_[kQueueSize] = {};
  int count_ = 0;
  std::deque<MorseElement> morse_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{true};
  std::atomic<SoundPathState> state_{SoundPathState::kOff};
  std::thread worker_;
};

class SoundKeyingThread final : public SoundKeyer {
 public:
  explicit SoundKeyingThread(SoundKeyingContext context) : context_(std::move(context)) {}
  ~SoundKeyingThread() override;  // stops and joins the worker
  SoundKeyingThread(const SoundKeyingThread&) = delete;
  SoundKeyingThread& operator=(const SoundKeyingThread&) = delete;

  void Start(const SoundSignal& signal) override;
  void Stop(const std::function<void()>& playOut) override;
  bool Send(int code) override;
  bool TrySend(int code) override;
  void KeyMorse(const MorseElement& element) override;
  bool Idle() override;
  SoundPathState State() override;

  // Replaces the context's transmitter-off work, for a transmitter built
  // after this thread. Before the first Start.
  void SetSwitchTransmitterOff(std::function<void()> work) {
    context_.switchTransmitterOff = std::move(work);
  }

 private:
  // Repeats `done` (called with the lock held) until it returns true: the
  // window thread dispatches events in between, another thread sleeps until
  // a worker, a Start or a Stop changes something. Every round also lets go
  // of an ended worker and starts a wanted one, so that the card changes
  // hands in whichever wait the window thread is in, however deeply nested.
  void WaitUntil(const std::function<bool()>& done);
  // With the lock held: stops a worker on another signal once it holds no
  // code, retires an ended worker that is no longer wanted, and starts the
  // wanted one once the card is free.
  void KeepWantedState();
  SoundPathState StateLocked() const;

  SoundKeyingContext context_;
  // Workers, Starts and Stops notify it; waiters check under mutex_.
  EventCondition changed_{context_.loop};
  mutable std::mutex mutex_;  // everything below
  // Counts every Start and Stop: a call whose wait outlives a later call
  // returns and leaves the decision to it.
  std::uint64_t generation_ = 0;
  bool wanted_ = false;
  SoundSignal signal_;
  bool lastFailed_ = false;  // the last worker ended on an error
  std::unique_ptr<CProcThread> worker_;
  // An ended worker, joined as soon as the lock is let go (it may itself
  // still be waiting for the lock to announce its end).
  std::unique_ptr<CProcThread> retired_;
  // Posted calls check it: they may run after this object is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace kestrix
