#include "station/audio/alsa_wave_device.h"

#include <alsa/asoundlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <utility>

namespace kestrix {

namespace {
// How much longer than ALSA's own buffer a close may wait for it to play.
constexpr std::chrono::milliseconds kDrainMargin{500};
}  // namespace
namespace {

// About half a second in ALSA's buffer rides out a busy machine.
constexpr unsigned int kLatencyMicroseconds = 500000;
// A card that takes no samples for this long has stopped.
constexpr int kStallMilliseconds = 5000;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints every failed lookup to stderr; a missing card is reported to
// the operator through the device error instead.
void QuietAlsaErrors() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(IgnoreAlsaError); });
}

int OpenErrorNumber(int alsaError) {
  switch (alsaError) {
    case -ENOENT:
    case -ENODEV:
    case -ENXIO:
      return kWaveBadDeviceId;
    case -EBUSY:
      return kWaveAllocated;
    default:
      return kWaveDriverFailed;
  }
}

// snd_pcm_set_params starts a stream only once its whole buffer is full,
// which holds back a short transmission; one period is enough.
void StartAfterOnePeriod(snd_pcm_t* pcm) {
  snd_pcm_uframes_t bufferFrames = 0;
  snd_pcm_uframes_t periodFrames = 0;
  snd_pcm_sw_params_t* params = nullptr;
  if (snd_pcm_get_params(pcm, &bufferFrames, &periodFrames) < 0 ||
      snd_pcm_sw_params_malloc(&params) < 0) {
    return;
  }
  if (snd_pcm_sw_params_current(pcm, params) == 0 &&
      snd_pcm_sw_params_set_start_threshold(pcm, params, periodFrames) == 0) {
    snd_pcm_sw_params(pcm, params);
  }
  snd_pcm_sw_params_free(params);
}

}  // namespace

AlsaWaveDevice::AlsaWaveDevice(std::string alsaName)
    : QueuedWaveDevice(kWaveDriverFailed), name_(std::move(alsaName)) {}

AlsaWaveDevice::~AlsaWaveDevice() {
  Close();
}

int AlsaWaveDevice::OpenDevice(const WaveFormat& format) {
  QuietAlsaErrors();
  if (format.bitsPerSample != 16 || format.channels < 1 || format.sampleRate < 1) {
    return kWaveNotSupported;
  }
  snd_pcm_t* pcm = nullptr;
  // Non-blocking also keeps a busy card from holding up the open.
  int error = snd_pcm_open(&pcm, name_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (error < 0) {
    return OpenErrorNumber(error);
  }
  error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                             static_cast<unsigned int>(format.channels),
                             static_cast<unsigned int>(format.sampleRate), 1, kLatencyMicroseconds);
  if (error < 0) {
    snd_pcm_close(pcm);
    return error == -EINVAL ? kWaveNotSupported : kWaveDriverFailed;
  }
  StartAfterOnePeriod(pcm);
  sampleRate_ = format.sampleRate;

  const int pcmFds = snd_pcm_poll_descriptors_count(pcm);
  const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (pcmFds <= 0 || wakeFd < 0) {
    if (wakeFd >= 0) {
      ::close(wakeFd);
    }
    snd_pcm_close(pcm);
    return kWaveDriverFailed;
  }
  pollFds_.assign(static_cast<std::size_t>(pcmFds) + 1, pollfd{});
  if (snd_pcm_poll_descriptors(pcm, pollFds_.data(), static_cast<unsigned int>(pcmFds)) != pcmFds) {
    ::close(wakeFd);
    snd_pcm_close(pcm);
    return kWaveDriverFailed;
  }
  pollFds_.back() = {wakeFd, POLLIN, 0};
  pcm_ = pcm;
  wakeFd_ = wakeFd;
  frameBytes_ = format.BytesPerFrame();
  return kWaveNoError;
}

bool AlsaWaveDevice::PlayBuffer(const std::uint8_t* data, std::size_t bytes) {
  const std::uint8_t* next = data;
  auto left = static_cast<snd_pcm_uframes_t>(bytes / static_cast<std::size_t>(frameBytes_));
  while (left > 0) {
    if (PlaybackAborted()) {
      return true;
    }
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, next, left);
    if (written >= 0) {
      left -= static_cast<snd_pcm_uframes_t>(written);
      next += written * frameBytes_;
    } else if (written == -EAGAIN) {
      if (!WaitForRoom()) {
        return false;
      }
    } else if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) {
      // An underrun or a suspend is recovered above: a click, no more.
      return false;
    }
  }
  return true;
}

bool AlsaWaveDevice::WaitForRoom() {
  for (pollfd& p : pollFds_) {
    p.revents = 0;
  }
  const int ready = ::poll(pollFds_.data(), pollFds_.size(), kStallMilliseconds);
  if (ready < 0) {
    return errno == EINTR;
  }
  if (ready == 0) {
    return false;
  }
  if ((pollFds_.back().revents & POLLIN) != 0) {
    ClearWake();  // the caller looks at PlaybackAborted() next
    return true;
  }
  // Room or an error; the next write tells which.
  unsigned short revents = 0;
  return snd_pcm_poll_descriptors_revents(
             pcm_, pollFds_.data(), static_cast<unsigned int>(pollFds_.size() - 1), &revents) == 0;
}

void AlsaWaveDevice::ClearWake() {
  std::uint64_t count = 0;
  if (::read(wakeFd_, &count, sizeof count) < 0) {
    // Nothing was signalled.
  }
}

void AlsaWaveDevice::AbortPlayback() {
  const std::uint64_t one = 1;
  if (::write(wakeFd_, &one, sizeof one) < 0) {
    // The counter is already far from empty; the waiter wakes all the same.
  }
}

void AlsaWaveDevice::DiscardPlayed() {
  snd_pcm_drop(pcm_);
  snd_pcm_prepare(pcm_);
  ClearWake();
}

// Lets ALSA play out what it holds, but only for as long as that takes
// plus a margin: a stalled sound server must not hold up the station. The
// wait sleeps for what is still queued, or stops early on a Reset.
void AlsaWaveDevice::Drain() {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::microseconds(kLatencyMicroseconds) + kDrainMargin;
  snd_pcm_sframes_t delay = 0;
  while (!PlaybackAborted() && std::chrono::steady_clock::now() < deadline &&
         snd_pcm_delay(pcm_, &delay) == 0 && delay > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const long queuedMs = 1000L * delay / sampleRate_ + 1;
    pollfd wake{wakeFd_, POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(std::min<long>(queuedMs, std::max<long>(left.count(), 1))));
  }
  snd_pcm_drop(pcm_);
}

void AlsaWaveDevice::CloseDevice() {
  if (pcm_ != nullptr) {
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
  }
  if (wakeFd_ >= 0) {
    ::close(wakeFd_);
    wakeFd_ = -1;
  }
  pollFds_.clear();
}

std::vector<int> AlsaCardIndexes() {
  QuietAlsaErrors();
  std::vector<int> cards;
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) {
    cards.push_back(card);
  }
  return cards;
}

}  // namespace kestrix
