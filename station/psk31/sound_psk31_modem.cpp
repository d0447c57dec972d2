#include "station/psk31/sound_psk31_modem.h"

#include <algorithm>
#include <vector>

#include "station/audio/morse_tone_player.h"
#include "station/audio/sound_block_player.h"
#include "station/encoding/morse_code_table.h"
#include "station/psk31/bpsk31_modulator.h"
#include "station/psk31/psk31_varicode.h"

namespace kestrix {

namespace {

constexpr WaveFormat kFormat{1, Bpsk31Modulator::kSampleRate, 16};
// The identification's lead-in and tail, and its character gap, in ticks.
constexpr int kCwIdLeadTicks = 50;
constexpr int kCwIdCharacterGap = 13;
constexpr int kDefaultMorseTickMs = 6;

// Start report numbers of the modem (the text table of the start report).
constexpr int kStartUnknownError = 33;
constexpr int kStartCannotWriteWaveFile = 41;

}  // namespace

// The signal of one transmission, symbol by symbol: fade-in, preamble,
// the queued items, postamble, fade-out; again from the fade-in when a
// StartTransmit came during the end.
class SoundPsk31Modem::Transmission final : public SoundBlockSource {
 public:
  explicit Transmission(SoundPsk31Modem& modem)
      : modem_(modem),
        modulator_(modem.frequency_.load(), kAmplitude),
        morse_(Bpsk31Modulator::kSampleRate, modem.frequency_.load(), kAmplitude,
               std::chrono::milliseconds(MorseTickMs())) {}

  bool NextBlock(double* block) override {
    if (modem_.stopNow_) {
      return false;
    }
    modulator_.SetFrequency(modem_.frequency_.load());
    switch (phase_) {
      case Phase::kFadeIn:
        modulator_.FadeIn(block);
        Enter(Phase::kPreamble, kPreambleSymbols);
        return true;
      case Phase::kPreamble:
        modulator_.Symbol(false, block);
        if (--left_ == 0) {
          Enter(Phase::kData, 0);
        }
        return true;
      case Phase::kData:
        SendData(block);
        return true;
      case Phase::kPostamble:
        modulator_.Symbol(true, block);
        if (--left_ == 0) {
          Enter(Phase::kFadeOut, 0);
        }
        return true;
      case Phase::kCwId:
        morse_.Render(block, Bpsk31Modulator::kSymbolSamples);
        if (morse_.Done()) {
          Enter(Phase::kEnd, 0);  // the tone is off: nothing to fade
        }
        return true;
      case Phase::kFadeOut:
        modulator_.FadeOut(block);
        Enter(cwIdNext_ ? Phase::kCwId : Phase::kEnd, 0);
        cwIdNext_ = false;
        return true;
      case Phase::kEnd:
        break;
    }
    {
      std::lock_guard lock(modem_.mutex_);
      if (modem_.EndsNow()) {
        return false;
      }
    }
    modulator_.FadeIn(block);
    Enter(Phase::kPreamble, kPreambleSymbols);
    return true;
  }

 private:
  enum class Phase { kFadeIn, kPreamble, kData, kPostamble, kCwId, kFadeOut, kEnd };

  int MorseTickMs() const {
    const int tick = modem_.settings_ ? modem_.settings_->QERVMorseTickMs.load() : 0;
    return tick > 0 ? tick : kDefaultMorseTickMs;
  }

  void Enter(Phase phase, int symbols) {
    phase_ = phase;
    left_ = symbols;
  }

  // The bits of the character being sent, then the next item.
  void SendData(double* block) {
    if (bit_ < bits_.size()) {
      modulator_.Symbol(bits_[bit_++] == '1', block);
      return;
    }
    Item item;
    bool taken = false;
    {
      std::lock_guard lock(modem_.mutex_);
      taken = modem_.TakeItem(item);
    }
    if (!taken) {
      modulator_.Symbol(false, block);  // idle
      return;
    }
    switch (item.kind) {
      case Item::Kind::kCharacter:
        modem_.QueueShrunk();
        bits_ = std::string(Psk31Varicode::Code(item.code)) + "00";
        bit_ = 0;
        modulator_.Symbol(bits_[bit_++] == '1', block);
        return;
      case Item::Kind::kCwId:
        QueueMorse(item.text);
        cwIdNext_ = true;
        break;
      case Item::Kind::kEnd:
        break;
    }
    modulator_.Symbol(true, block);
    Enter(Phase::kPostamble, kPostambleSymbols - 1);
  }

  void QueueMorse(const std::string& text) {
    morse_.SetFrequency(modem_.frequency_.load());
    std::vector<MorseElement> elements{{false, kCwIdLeadTicks}};
    for (char c : text) {
      MorseCodeTable::AppendElements(static_cast<unsigned char>(c), kCwIdCharacterGap, elements);
    }
    elements.push_back({false, kCwIdLeadTicks});
    for (const MorseElement& element : elements) {
      morse_.Add(element);
    }
  }

  SoundPsk31Modem& modem_;
  Bpsk31Modulator modulator_;
  MorseTonePlayer morse_;
  Phase phase_ = Phase::kFadeIn;
  int left_ = 0;
  std::string bits_;
  std::size_t bit_ = 0;
  bool cwIdNext_ = false;
};

SoundPsk31Modem::SoundPsk31Modem(WaveDeviceFactory& devices, EventLoop& loop,
                                 std::chrono::milliseconds bufferWait)
    : devices_(devices), loop_(loop), bufferWait_(bufferWait) {}

SoundPsk31Modem::~SoundPsk31Modem() {
  stopNow_ = true;
  if (worker_.joinable()) {
    worker_.join();
  }
}

void SoundPsk31Modem::AttachStation(const StationSettings& settings, EventLog& log) {
  settings_ = &settings;
  log_ = &log;
}

int SoundPsk31Modem::StartErrorOf(int deviceError) {
  switch (deviceError) {
    case kWaveNoError:
      return 0;
    case kWaveBadDeviceId:
    case kWaveDriverFailed:
    case kWaveAllocated:
    case kWaveInvalidHandle:
    case kWaveNoDriver:
      return deviceError + 19;  // 21 "Bad Device ID" .. 25 "No device driver present"
    case kWaveNotSupported:
    case kWaveBadErrorNumber:
    case kWaveInvalidFlag:
    case kWaveInvalidParameter:
    case kWaveHandleBusy:
      return deviceError + 18;  // 26 "Function isn't supported" .. 30 "Handle being used"
    case kSoundNotOpenForWrite:
    case kSoundUnderflow:
    case kSoundWriteTimeout:
      return deviceError - 100;  // 14 .. 16
    case kSoundFileOpenFailed:
    case kSoundInputFileOpenFailed:
    case kWaveFileWriteError:
      return kStartCannotWriteWaveFile;
    default:
      return kStartUnknownError;
  }
}

// The card is tried now, so that the operator learns at once when it is
// missing. A card that a sound worker still plays on is there.
int SoundPsk31Modem::Start(int soundCardId) {
  Release();
  const std::string configured = settings_ ? settings_->QERVSoundDevice : std::string();
  if (devices_.Card().TryTake()) {
    std::unique_ptr<WaveDevice> device = devices_.Create(soundCardId, configured);
    const int opened = device->Open(kFormat, [] {});
    device->Close();
    devices_.Card().Give();
    if (opened != 0) {
      return StartErrorOf(opened);
    }
  }
  std::lock_guard lock(mutex_);
  started_ = true;
  card_ = soundCardId;
  configuredDevice_ = configured;
  failed_ = false;
  return 0;
}

// A transmission still on the air ends as EndTransmit ends it, so the last
// characters and the carrier's fade go out rather than a click.
void SoundPsk31Modem::Release() {
  std::unique_lock lock(mutex_);
  started_ = false;
  if (transmitting_) {
    transmitting_ = false;
    queue_.push_back({Item::Kind::kEnd, 0, {}});
  }
  JoinWorker(lock);
  lock.unlock();
  QueueShrunk();
}

void SoundPsk31Modem::SetFrequency(int hertz) {
  frequency_ = hertz;
}

void SoundPsk31Modem::StartTransmit(int /*flag*/) {
  std::unique_lock lock(mutex_);
  if (!started_) {
    return;
  }
  transmitting_ = true;
  failed_ = false;
  // An end not yet reached is called off: the transmission goes on.
  std::erase_if(queue_, [](const Item& item) { return item.kind == Item::Kind::kEnd; });
  if (workerRunning_) {
    return;  // one that is ending sees transmitting_ and starts over
  }
  JoinWorker(lock);
  std::unique_ptr<WaveDevice> device = devices_.Create(card_, configuredDevice_);
  workerRunning_ = true;
  workerDone_ = false;
  worker_ =
      std::thread([this, device = std::move(device)]() mutable { RunWorker(std::move(device)); });
}

void SoundPsk31Modem::EndTransmit() {
  std::lock_guard lock(mutex_);
  if (!transmitting_) {
    return;
  }
  transmitting_ = false;
  queue_.push_back({Item::Kind::kEnd, 0, {}});
}

void SoundPsk31Modem::DropQueued() {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [](const Item& item) { return item.kind == Item::Kind::kCharacter; });
  }
  QueueShrunk();
}

void SoundPsk31Modem::SetCwIdText(const std::string& text) {
  std::lock_guard lock(mutex_);
  cwIdText_ = text;
}

void SoundPsk31Modem::QueueCharacter(int code, int flag) {
  std::lock_guard lock(mutex_);
  if (!transmitting_) {
    return;
  }
  if (flag == 0 && code != 0) {
    queue_.push_back({Item::Kind::kCharacter, code & 0x7F, {}});
  } else if (code == 2 && flag == 1) {
    queue_.push_back({Item::Kind::kCwId, 0, cwIdText_});
  }
}

int SoundPsk31Modem::QueuedCount() {
  std::lock_guard lock(mutex_);
  return CountCharacters();
}

int SoundPsk31Modem::CountCharacters() const {
  return static_cast<int>(std::ranges::count_if(
      queue_, [](const Item& item) { return item.kind == Item::Kind::kCharacter; }));
}

std::string SoundPsk31Modem::LostBecause() {
  std::lock_guard lock(mutex_);
  if (failed_) {
    return "the sound card failed";
  }
  if (!transmitting_) {
    return started_ ? "the PSK31 modem is not transmitting" : "the PSK31 modem is not started";
  }
  return {};
}

bool SoundPsk31Modem::TakeItem(Item& item) {
  if (queue_.empty()) {
    return false;
  }
  item = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

bool SoundPsk31Modem::EndsNow() {
  // The end that brought the worker here, and any after it.
  while (!queue_.empty() && queue_.front().kind == Item::Kind::kEnd) {
    queue_.pop_front();
  }
  if (transmitting_ || !queue_.empty()) {
    return false;
  }
  workerRunning_ = false;
  return true;
}

void SoundPsk31Modem::RunWorker(std::unique_ptr<WaveDevice> device) {
  Transmission transmission(*this);
  const SoundBlockPlayer player{devices_.Card(), kFormat, Bpsk31Modulator::kSymbolSamples,
                                bufferWait_};
  const int error = player.Play(std::move(device), transmission, {});
  {
    std::lock_guard lock(mutex_);
    workerRunning_ = false;
    workerDone_ = true;
    if (error != 0) {
      // Nothing queued can go out now; the senders waiting on it go on.
      failed_ = true;
      transmitting_ = false;
      queue_.clear();
    }
  }
  if (error != 0 && log_ != nullptr) {
    log_->LogEvent("Sound card : " + CSound::SoundErrorText(error));
  }
  QueueShrunk();
  workerEnded_.Notify();
}

void SoundPsk31Modem::JoinWorker(std::unique_lock<std::mutex>& lock) {
  if (!worker_.joinable()) {
    return;
  }
  lock.unlock();
  workerEnded_.WaitUntil([this] {
    std::lock_guard guard(mutex_);
    return workerDone_;
  });
  worker_.join();
  lock.lock();
}

}  // namespace kestrix
