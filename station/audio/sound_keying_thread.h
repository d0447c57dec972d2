#pragma once
// The sound keying thread: a worker that turns each queued code into one
// block of audio FSK and plays it through the sound ring, and plays idle
// mark while nothing is queued, for as long as the transmitter is on. One
// object per transmitter-on; SoundKeyingThreads makes them and makes sure
// only one worker runs at a time.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "station/app/event_log.h"
#include "station/app/event_loop.h"
#include "station/app/message_box.h"
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
  // Run on the window thread when the sound card cannot be opened.
  std::function<void()> switchTransmitterOff;
  std::chrono::milliseconds bufferWait = CSound::kDefaultBufferWait;
};

class CProcThread final : public SoundKeyer {
 public:
  static constexpr int kQueueSize = 99;

  explicit CProcThread(SoundKeyingContext& context);
  ~CProcThread() override;  // asks the worker to stop and joins it

  void Start(int sampleRate, int centerFrequency) override;
  bool QueueEmpty() override;
  // The newest code replaces the last one when the queue is full.
  void Enqueue(int code) override;
  void RequestStop() override;
  // Window thread: asks the worker to stop and waits until it has.
  void StopAndJoin();

  // True once the worker has released the sound card (or never ran).
  bool Ended() const { return ended_; }
  bool StopRequested() const { return stop_; }

 private:
  void Run(int sampleRate, int centerFrequency);
  // The next code, 0 (idle) when none is queued.
  int TakeCode();
  void Report(const std::string& text);

  SoundKeyingContext& context_;
  // Made on the window thread at Start, opened by the worker.
  std::unique_ptr<WaveDevice> device_;
  std::mutex queueLock_;  // the queue and its count together
  int queue_[kQueueSize] = {};
  int count_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{true};
  std::thread worker_;
};

class SoundKeyingThreads final : public SoundKeyerFactory {
 public:
  explicit SoundKeyingThreads(SoundKeyingContext context) : context_(std::move(context)) {}
  ~SoundKeyingThreads() override;

  // Waits (dispatching window events) until the previous worker has
  // released the sound card, then makes a new keyer.
  std::shared_ptr<SoundKeyer> Create() override;
  // Waits (dispatching window events) until every worker told to stop has
  // played out and let go of its card.
  void WaitForStoppedWorkers();

 private:
  SoundKeyingContext context_;
  // Kept until their worker has ended, so that nobody joins a worker that
  // is still playing out on the window thread.
  std::vector<std::shared_ptr<CProcThread>> keyers_;
};

}  // namespace kestrix
