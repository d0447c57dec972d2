#include "station/audio/sound_keying_thread.h"

#include <algorithm>
#include <numbers>

#include "station/audio/morse_tone_player.h"
#include "station/audio/sound_block_player.h"

namespace kestrix {

namespace {

constexpr int kSampleRateFallback = 8000;
// 32 ms blocks for a worker that keys only Morse.
constexpr int kMorseOnlyBlock = 256;

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

void CProcThread::EnqueueMorse(const MorseElement& element) {
  std::lock_guard guard(queueLock_);
  if (!ended_ && morse_.size() < kMorseQueueSize) {
    morse_.push_back(element);
  }
}

bool CProcThread::TakeMorse(std::deque<MorseElement>& to) {
  std::lock_guard guard(queueLock_);
  if (morse_.empty()) {
    return false;
  }
  to.swap(morse_);
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

// What a worker plays: FSK blocks of the codes handed over (idle mark
// between them), or silence without FSK; a run of Morse handed over takes
// the place of the blocks until it has been played.
class CProcThread::Blocks final : public SoundBlockSource {
 public:
  Blocks(CProcThread& worker, const SoundSignal& signal, int blockLength)
      : worker_(worker),
        signal_(signal),
        blockLength_(blockLength),
        toneGenerator_(worker.context_.tones),
        // As loud as the FSK tones' peak (sine plus cosine): a receiver's
        // level set on the RTTY must not miss the identification's dots.
        morse_(signal.sampleRate, signal.morseTone, CGenerators::kGain * std::numbers::sqrt2,
               std::chrono::milliseconds(signal.morseTickMs)) {
    worker.context_.tones.halfShift = worker.context_.settings.halfShift;
    toneGenerator_.Init(signal.sampleRate, signal.centerFrequency, signal.baud);
    toneGenerator_.SetFrequency(signal.sampleRate, signal.centerFrequency);
  }

  bool NextBlock(double* block) override {
    std::deque<MorseElement> handed;
    if (worker_.TakeMorse(handed)) {
      if (!inMorse_) {
        // The keyer hands each element over as its ticks begin, while this
        // worker runs up to a whole ring ahead of the air: starting that
        // far behind, no element comes too late to follow the one before.
        morse_.AddSilence(MorseLead());
        inMorse_ = true;
      }
      for (const MorseElement& element : handed) {
        morse_.Add(element);
      }
      silentAfterMorse_ = 0;
    }
    if (inMorse_) {
      morse_.Render(block, blockLength_);
      // Ticks that come late (a busy window thread) only stretch a gap: the
      // FSK idle comes back once the keyer has been quiet for as long.
      if (morse_.Done()) {
        silentAfterMorse_ += blockLength_;
        inMorse_ = silentAfterMorse_ < MorseLead() && !worker_.stop_;
      }
      return true;
    }
    if (worker_.stop_) {
      return false;
    }
    if (!signal_.fsk) {
      std::fill(block, block + blockLength_, 0.0);
      return true;
    }
    const int code = worker_.TakeCode();
    toneGenerator_.GenerateCharacter(block, blockLength_, code, BlockDataBits(signal_.dataBits));
    levelStage_.ApplyGain(blockLength_, block, CGenerators::kGain);
    return true;
  }

 private:
  std::int64_t MorseLead() const {
    return static_cast<std::int64_t>(CSound::kBufferCount + 1) * blockLength_;
  }

  CProcThread& worker_;
  const SoundSignal signal_;
  const int blockLength_;
  std::int64_t silentAfterMorse_ = 0;
  CMSKGen toneGenerator_;
  CGenerators levelStage_;
  MorseTonePlayer morse_;
  bool inMorse_ = false;
};

bool CProcThread::Run(const SoundSignal& given) {
  SoundSignal signal = given;
  if (signal.sampleRate <= 0) {
    signal.sampleRate = kSampleRateFallback;
  }
  // Without FSK the blocks are short, so Morse starts soon after it is keyed.
  const int blockLength = signal.fsk ? SamplesPerCharacter(BlockDataBits(signal.dataBits),
                                                           signal.sampleRate, signal.baud)
                                     : kMorseOnlyBlock;
  Blocks blocks(*this, signal, blockLength);
  const SoundBlockPlayer player{context_.devices.Card(), WaveFormat{1, signal.sampleRate, 16},
                                blockLength, context_.bufferWait};
  // Running once the card takes blocks: an output that fails on its first
  // write (a full disk under a WAV file) never was.
  const int error = player.Play(std::move(device_), blocks, [this] {
    state_ = SoundPathState::kRunning;
    changed_();
  });
  if (error != 0) {
    Report(error == kSoundMemoryError ? "Output Memory Error" : CSound::SoundErrorText(error));
    return false;
  }
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

void SoundKeyingThread::KeyMorse(const MorseElement& element) {
  std::lock_guard lock(mutex_);
  // A worker still opening the card keys it once it plays.
  if (wanted_ && worker_ && !worker_->StopRequested() && worker_->Plays(signal_)) {
    worker_->EnqueueMorse(element);
  }
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
