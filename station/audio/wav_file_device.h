#pragma once
// A wave device that records to a RIFF/WAVE file (PCM, 16-bit, the
// format's channels and rate) instead of a sound card: for stations
// without one and for checking the audio.
//
// The header's sizes are rewritten after every buffer, so the file is a
// valid WAV while it grows and whenever the station stops. The station
// opens the device at every transmitter-on; an Open appends to an existing
// WAV file of the same format, so one file holds the whole session. A
// missing file, one that is not such a WAV, or one of another format is
// written afresh. Whatever follows the data chunk of an appended file is cut
// off, as is a partial frame at its end. A file that reaches the RIFF size
// limit is kept as PATH.1 (PATH.2, ...) and recording goes on in a new one.
//
// Paced, a buffer takes as long as a card would take to play it, counted
// from when playback starts; unpaced, it is done once written.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "station/audio/queued_wave_device.h"

namespace kestrix {

// When each buffer of a paced device ends: buffers play back to back like
// on a card, counted from the start of the run so no rounding adds up. A
// buffer that comes after the last one ended (a gap, a Restart) starts a
// new run at once.
class PlaybackPace {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PlaybackPace(int sampleRate) : sampleRate_(sampleRate) {}

  // The end of a buffer of `frames` that is ready to play at `now`.
  Clock::time_point Next(Clock::time_point now, std::uint64_t frames);
  // The next buffer starts a new run.
  void Restart() { running_ = false; }

 private:
  Clock::time_point RunEnd() const;

  int sampleRate_;
  bool running_ = false;
  Clock::time_point runStart_{};
  std::uint64_t runFrames_ = 0;
};

class WavFileDevice final : public QueuedWaveDevice {
 public:
  enum class Pacing { kRealTime, kUnpaced };

  // `maxFileBytes` (at most what RIFF sizes can hold) is smaller in tests.
  WavFileDevice(std::string path, Pacing pacing, std::uint64_t maxFileBytes = UINT64_MAX);
  ~WavFileDevice() override;

  const std::string& Path() const { return path_; }
  Pacing GetPacing() const { return pacing_; }

 private:
  int OpenDevice(const WaveFormat& format) override;
  bool PlayBuffer(const std::uint8_t* data, std::size_t bytes) override;
  void AbortPlayback() override;
  void DiscardPlayed() override;
  void CloseDevice() override;

  bool WriteSizes();
  bool CreateFresh();
  bool StartNextFile();
  void WaitUntil(PlaybackPace::Clock::time_point end);

  const std::string path_;
  const Pacing pacing_;
  const std::uint64_t maxFileBytes_;

  // Device thread only while open.
  std::FILE* file_ = nullptr;
  int frameBytes_ = 2;
  WaveFormat format_;
  std::uint64_t dataStart_ = 0;  // offset of the first sample
  std::uint64_t dataBytes_ = 0;
  PlaybackPace pace_{8000};

  std::mutex paceMutex_;
  std::condition_variable paceWake_;  // an abort
};

}  // namespace kestrix
