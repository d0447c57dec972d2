#pragma once
// A wave device on an ALSA playback PCM ("default", "plughw:1,0", a name
// from asound.conf). A buffer is done once ALSA has taken all of it into
// its own buffer of about half a second; Close lets that play out unless a
// Reset cut a buffer short since.
//
// The PCM is non-blocking: the device thread waits for room in poll(), on
// the PCM and on an eventfd that a Reset or Close signals, so it never
// blocks where another thread could not wake it.

#include <poll.h>

#include <string>
#include <vector>

#include "station/audio/queued_wave_device.h"

struct _snd_pcm;

namespace kestrix {

class AlsaWaveDevice final : public QueuedWaveDevice {
 public:
  explicit AlsaWaveDevice(std::string alsaName);
  ~AlsaWaveDevice() override;

  const std::string& Name() const { return name_; }

 private:
  int OpenDevice(const WaveFormat& format) override;
  bool PlayBuffer(const std::uint8_t* data, std::size_t bytes) override;
  void AbortPlayback() override;
  void DiscardPlayed() override;
  void Drain() override;
  void CloseDevice() override;

  // False when the PCM stalls or fails.
  bool WaitForRoom();
  void ClearWake();

  const std::string name_;
  _snd_pcm* pcm_ = nullptr;
  int wakeFd_ = -1;
  int frameBytes_ = 2;
  int sampleRate_ = 8000;
  std::vector<pollfd> pollFds_;  // the PCM's, then wakeFd_
};

// The index of every card ALSA knows, in its own order: the order in which
// `aplay -l` lists them.
std::vector<int> AlsaCardIndexes();

}  // namespace kestrix
