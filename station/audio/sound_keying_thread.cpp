#include "station/audio/sound_keying_thread.h"

#include <algorithm>
#include <new>

namespace kestrix {

namespace {

constexpr int kSampleRateFallback = 8000;

// Data bits of a block: 6..8 as set, anything else five.
int BlockDataBits(int dataBits) {
  return dataBits >= 6 && dataBits <= 8 ? dataBits : 5;
}

}  // namespace

CProcThread::CProcThread(SoundKeyingContext& context, std::function<void()> changed,
                         std::function<void()> failed)
    : context_(context), changed_(std::move(changed)), failed_(std::move(failed)) {}

CProcThread::~CProcThread() {
  RequestStop();
  if (worker_.joinable()) {
    worker_.join();
  }
}

void CProcThread::Start(const SoundSignal& signal) {
  if (worker_.joinable()) {
    return;
  }
  stop_ = false;
  ended_ = false;
  state_ = SoundPathState::kStarting;
  signal_ = signal;
  // The settings' texts belong to the window thread: the device is chosen here.
  device_ =
      context_.devices.Create(context_.settings.soundCardID, context_.settings.QERVSoundDevice);
  worker_ = std::thread([this] {
    const bool stopped = Run(signal_);
    {
      std::lock_guard guard(queueLock_);
      // Before the end is seen: a sender that finds the queue closed finds why.
      state_ = stopped ? SoundPathState::kOff : SoundPathState::kFailed;
      ended_ = true;
    }
    if (!stopped) {
      failed_();
    }
    changed_();
  });
}

// A worker that has ended takes nothing more: its queue counts as empty,
// so a sender waiting for room never waits for ever.
bool CProcThread::QueueEmpty() {
  std::lock_guard guard(queueLock_);
  return count_ == 0 || ended_;
}

bool CProcThread::Enqueue(int code) {
  std::lock_guard guard(queueLock_);
  if (ended_) {
    return false;
  }
  if (count_ < kQueueSize) {
    queue_[count_++] = code;
  } else {
    queue_[kQueueSize - 1] = code;
  }
  return true;
}

void CProcThread::RequestStop() {
  stop_ = true;
}

int CProcThread::TakeCode() {
  int code = 0;
  bool nowEmpty = false;
  {
    std::lock_guard guard(queueLock_);
    if (count_ == 0) {
      return 0;
    }
    code = queue_[0];
    std::copy(queue_ + 1, queue_ + count_, queue_);
    --count_;
    nowEmpty = count_ == 0;
  }
  if (nowEmpty) {
    changed_();  // the sender waits for an empty queue
  }
  return code;
}

// The worker's boxes go through the window thread; the log keeps them for
// an unattended station.
void CProcThread::Report(const std::string& text) {
  if (text.empty()) {
    return;
  }
  context_.log.LogEvent("Sound card : " + text);
  MessageBox& box = context_.box;
  context_.loop.Post([&box, text] { box.Show(text, "Kestrix", MessageBoxIcon::kStop); });
}

bool CProcThread::Run(const SoundSignal& signal) {
  const int sampleRate = signal.sampleRate > 0 ? signal.sampleRate : kSampleRateFallback;
  const int centerFrequency = signal.centerFrequency;
  const WaveFormat format{1, sampleRate, 16};
  const int dataBits = BlockDataBits(signal.dataBits);
  const double baud = signal.baud;
  const int blockLength = SamplesPerCharacter(dataBits, sampleRate, baud);

  std::vector<double> samples;
  try {
    samples.resize(static_cast<std::size_t>(blockLength) * 8);
  } catch (const std::bad_alloc&) {
    Report("Output Memory Error");
    return false;
  }

  CSound sound(std::move(device_), context_.bufferWait);
  const int opened = sound.OpenOutput(format, blockLength, 0);
  if (opened != 0) {
    Report(CSound::SoundErrorText(opened));
    return false;
  }

  CGenerators levelStage;
  context_.tones.halfShift = context_.settings.halfShift;
  CMSKGen toneGenerator(context_.tones);
  toneGenerator.Init(sampleRate, centerFrequency, baud);
  toneGenerator.SetFrequency(sampleRate, centerFrequency);

  while (!stop_) {
    const int code = TakeCode();
    toneGenerator.GenerateCharacter(samples.data(), blockLength, code, dataBits);
    levelStage.ApplyGain(blockLength, samples.data(), CGenerators::kGain);
    const long written = sound.WriteOutput(samples.data(), blockLength);
    if (written != blockLength) {
      if (written != 0) {
        Report(CSound::SoundErrorText(sound.LastError()));
      }
      sound.CloseOutput();
      return false;
    }
    // Running once the card takes blocks: an output that fails on its
    // first write (a full disk under a WAV file) never was.
    if (state_ == SoundPathState::kStarting) {
      state_ = SoundPathState::kRunning;
      changed_();
    }
  }
  // What was written is played out before the card is let go, so the last
  // characters of a transmission always reach the air.
  sound.CloseOutput();
  return true;
}

// The worker is joined here even when a wait still runs further down the
// window thread's stack: none may outlive what it uses.
SoundKeyingThread::~SoundKeyingThread() {
  std::unique_ptr<CProcThread> worker;
  std::unique_ptr<CProcThread> retired;
  {
    std::lock_guard lock(mutex_);
    wanted_ = false;
    worker = std::move(worker_);
    retired = std::move(retired_);
  }
}

void SoundKeyingThread::KeepWantedState() {
  // The code handed over last still goes out as it was framed when sent.
  if (wanted_ && worker_ && !worker_->StopRequested() && !worker_->Plays(signal_) &&
      worker_->QueueEmpty()) {
    worker_->RequestStop();
  }
  if (worker_ && worker_->Ended() && (!wanted_ || worker_->StopRequested())) {
    lastFailed_ = worker_->State() == SoundPathState::kFailed;
    retired_ = std::move(worker_);
  }
  // A worker that failed while wanted stays until the next Start or Stop:
  // starting it again at once would only fail again, without end.
  if (!wanted_ || worker_ || retired_) {
    return;
  }
  lastFailed_ = false;
  // A transmitter-off for this worker's failure must not switch off a later
  // transmission: it is dropped once another Start or Stop has come.
  const std::uint64_t generation = generation_;
  auto failed = [this, generation, alive = std::weak_ptr<int>(alive_)] {
    context_.loop.Post([this, generation, alive] {
      if (alive.expired()) {
        return;
      }
      bool latest = false;
      {
        std::lock_guard lock(mutex_);
        latest = generation_ == generation;
      }
      if (latest) {
        context_.switchTransmitterOff();
      }
    });
  };
  auto changed = [this] { changed_.Notify(); };
  worker_ = std::make_unique<CProcThread>(context_, changed, failed);
  worker_->Start(signal_);
}

void SoundKeyingThread::WaitUntil(const std::function<bool()>& done) {
  for (;;) {
    std::unique_ptr<CProcThread> retired;
    bool finished = false;
    changed_.WaitUntil([&] {
      std::lock_guard lock(mutex_);
      KeepWantedState();
      retired = std::move(retired_);
      finished = !retired && done();
      return finished || retired != nullptr;
    });
    if (finished) {
      return;
    }
    // Joined without any lock: its last act is to announce its end.
    retired.reset();
  }
}

void SoundKeyingThread::Start(const SoundSignal& signal) {
  std::uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
    wanted_ = true;
    signal_ = signal;
    // Still playing out for a transmitter-off that this call overrides, on
    // the same signal: it plays on. One on another signal is stopped once
    // it holds no code (KeepWantedState); one that failed goes at once.
    if (worker_) {
      const SoundPathState state = worker_->State();
      if (state != SoundPathState::kStarting && state != SoundPathState::kRunning) {
        worker_->RequestStop();
      }
    }
  }
  changed_.Notify();
  WaitUntil([&] {
    return generation_ != generation ||
           (worker_ && !worker_->StopRequested() && worker_->Plays(signal_));
  });
}

void SoundKeyingThread::Stop(const std::function<void()>& playOut) {
  std::uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
    wanted_ = false;
  }
  changed_.Notify();
  // A code handed over just now is taken within one block; dropping it
  // would cut the last character of the transmission.
  WaitUntil([&] { return generation_ != generation || !worker_ || worker_->QueueEmpty(); });
  playOut();
  {
    std::lock_guard lock(mutex_);
    if (generation_ != generation || !worker_) {
      return;
    }
    worker_->RequestStop();
  }
  // The worker plays out what it wrote, lets go of the card and is joined:
  // after this nothing plays.
  WaitUntil([&] { return generation_ != generation || !worker_; });
}

bool SoundKeyingThread::Send(int code) {
  bool taken = false;
  WaitUntil([&] {
    switch (StateLocked()) {
      case SoundPathState::kStarting:
        return false;
      case SoundPathState::kRunning:
        if (!worker_->QueueEmpty()) {
          return false;
        }
        taken = worker_->Enqueue(code);
        return true;
      case SoundPathState::kOff:
      case SoundPathState::kFailed:
        break;
    }
    return true;
  });
  return taken;
}

bool SoundKeyingThread::TrySend(int code) {
  std::lock_guard lock(mutex_);
  return StateLocked() == SoundPathState::kRunning && worker_->QueueEmpty() &&
         worker_->Enqueue(code);
}

bool SoundKeyingThread::Idle() {
  std::lock_guard lock(mutex_);
  return StateLocked() == SoundPathState::kRunning && worker_->QueueEmpty();
}

SoundPathState SoundKeyingThread::State() {
  std::lock_guard lock(mutex_);
  return StateLocked();
}

SoundPathState SoundKeyingThread::StateLocked() const {
  if (!wanted_) {
    if (worker_ && worker_->State() == SoundPathState::kFailed) {
      return SoundPathState::kFailed;
    }
    return lastFailed_ ? SoundPathState::kFailed : SoundPathState::kOff;
  }
  // The last worker still holds the card, or none runs yet: codes wait for
  // the worker that plays the wanted signal.
  if (!worker_ || worker_->StopRequested() || !worker_->Plays(signal_)) {
    return SoundPathState::kStarting;
  }
  return worker_->State();
}

}  // namespace kestrix
