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

CProcThread::CProcThread(SoundKeyingContext& context) : context_(context) {}

CProcThread::~CProcThread() {
  StopAndJoin();
}

void CProcThread::StopAndJoin() {
  RequestStop();
  if (worker_.joinable()) {
    worker_.join();
  }
}

void CProcThread::Start(int sampleRate, int centerFrequency) {
  if (worker_.joinable()) {
    return;
  }
  stop_ = false;
  ended_ = false;
  // The settings' texts belong to the window thread: the device is chosen here.
  device_ =
      context_.devices.Create(context_.settings.soundCardID, context_.settings.QERVSoundDevice);
  worker_ = std::thread([this, sampleRate, centerFrequency] {
    Run(sampleRate > 0 ? sampleRate : kSampleRateFallback, centerFrequency);
    {
      std::lock_guard guard(queueLock_);
      ended_ = true;
    }
    context_.loop.Post([] {});  // wakes a window-thread waiter
  });
}

// A worker that has ended takes nothing more: its queue counts as empty,
// so a sender waiting for room never waits for ever.
bool CProcThread::QueueEmpty() {
  std::lock_guard guard(queueLock_);
  return count_ == 0 || ended_;
}

void CProcThread::Enqueue(int code) {
  std::lock_guard guard(queueLock_);
  if (ended_) {
    return;
  }
  if (count_ < kQueueSize) {
    queue_[count_++] = code;
  } else {
    queue_[kQueueSize - 1] = code;
  }
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
    context_.loop.Post([] {});  // the sender waits for an empty queue
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

void CProcThread::Run(int sampleRate, int centerFrequency) {
  StationSettings& settings = context_.settings;
  const WaveFormat format{1, sampleRate, 16};
  const int dataBits = BlockDataBits(settings.DATABITS);
  const double baud = settings.BAUD;
  const int blockLength = SamplesPerCharacter(dataBits, sampleRate, baud);

  std::vector<double> samples;
  try {
    samples.resize(static_cast<std::size_t>(blockLength) * 8);
  } catch (const std::bad_alloc&) {
    Report("Output Memory Error");
    return;
  }

  CSound sound(std::move(device_), context_.bufferWait);
  const int opened = sound.OpenOutput(format, blockLength, 0);
  if (opened != 0) {
    Report(CSound::SoundErrorText(opened));
    context_.loop.Post(context_.switchTransmitterOff);
    return;
  }

  CGenerators levelStage;
  context_.tones.halfShift = settings.halfShift;
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
      return;
    }
  }
  // What was written is played out before the card is let go, so the last
  // characters of a transmission always reach the air.
  sound.CloseOutput();
}

// Workers are joined here even when someone else still holds their keyer:
// none may outlive what it uses.
SoundKeyingThreads::~SoundKeyingThreads() {
  for (const auto& keyer : keyers_) {
    keyer->StopAndJoin();
  }
}

void SoundKeyingThreads::WaitForStoppedWorkers() {
  // A copy: the events dispatched meanwhile may make or drop keyers.
  const std::vector<std::shared_ptr<CProcThread>> keyers = keyers_;
  for (const auto& keyer : keyers) {
    while (keyer->StopRequested() && !keyer->Ended()) {
      context_.loop.WaitForNextEvent();
    }
  }
}

std::shared_ptr<SoundKeyer> SoundKeyingThreads::Create() {
  std::vector<std::shared_ptr<CProcThread>> previous;
  previous.swap(keyers_);
  for (const auto& keyer : previous) {
    keyer->RequestStop();
  }
  for (const auto& keyer : previous) {
    while (!keyer->Ended()) {
      context_.loop.WaitForNextEvent();
    }
  }
  keyers_.push_back(std::make_shared<CProcThread>(context_));
  return keyers_.back();
}

}  // namespace kestrix
