#pragma once
// The sound output ring: ten buffers of one character block each between
// the sound keying thread and the wave device. Playback starts when the
// sixth buffer is queued; the writer waits (up to 2 s) for a free buffer,
// so it runs at most ten blocks ahead of the air. Errors are numbers with
// a text each.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "station/audio/wave_device.h"

namespace kestrix {

// The ring's own error numbers and the wave-file and input ones that share
// their texts (109 is the wave-file device's kWaveFileWriteError).
enum SoundError : int {
  kSoundMemoryError = 100,
  kSoundInputFileOpenFailed = 101,
  kSoundNotRiff = 102,
  kSoundInvalidWaveFile = 103,
  kSoundNoData = 104,
  kSoundUnsupportedData = 105,
  kSoundFileReadError = 106,
  kSoundReadFileNotOpen = 107,
  kSoundFileOpenFailed = 108,  // shows the text of 101
  kSoundWriteFileNotOpen = 110,
  kSoundNotOpenForRead = 111,
  kSoundOverflow = 112,
  kSoundReadTimeout = 113,
  kSoundNotOpenForWrite = 114,
  kSoundUnderflow = 115,
  kSoundWriteTimeout = 116,
};

class CSound {
 public:
  static constexpr int kBufferCount = 10;
  static constexpr int kStartWithBuffers = 6;
  static constexpr std::chrono::milliseconds kDefaultBufferWait{2000};

  // `bufferWait` bounds every wait for the device (shorter in tests).
  explicit CSound(std::unique_ptr<WaveDevice> device,
                  std::chrono::milliseconds bufferWait = kDefaultBufferWait);
  virtual ~CSound();
  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  // Opens the device paused with ten buffers of `bufferLength` samples.
  // `sampleLimit` closes the output after that many samples (0: none).
  // 0, or an error number.
  int OpenOutput(const WaveFormat& format, int bufferLength, long sampleLimit);
  // `count` on success; -1 on an error (LastError() tells which); at the
  // sample limit -1 when an error was recorded, else 0.
  long WriteOutput(const double* samples, int count);
  // Plays out what is queued, then releases the device. Safe when closed.
  void CloseOutput();
  // Forgets every queue position, so that closing does not wait.
  void ResetCounters();

  int LastError() const;
  // "" for 0; the message box text of any other number.
  static std::string SoundErrorText(int number);

 private:
  void OnOutputDone();
  // Waits until the device has handed back one more buffer than it had
  // when the wait began; false when none came within the buffer wait.
  bool WaitForDone(std::unique_lock<std::mutex>& lock);

  std::unique_ptr<WaveDevice> device_;
  const std::chrono::milliseconds bufferWait_;

  mutable std::mutex lock_;  // the indices, the count and the flags
  std::condition_variable doneEvent_;
  bool waiting_ = false;
  bool underflow_ = false;
  int writeIndex_ = 0;
  int doneIndex_ = 0;
  // Buffers with the device. Counted apart from the two indices: a device
  // may hand a buffer back before the writer has moved on from it, and
  // then equal indices would read as a full ring.
  int queued_ = 0;

  // Writer's own.
  bool isOpen_ = false;
  bool deviceOpen_ = false;
  bool notStarted_ = true;
  int lastError_ = 0;
  std::size_t bytesPerFrame_ = 2;
  std::size_t bufferBytes_ = 0;
  std::size_t fillPos_ = 0;
  long sampleLimit_ = 0;
  long samplesWritten_ = 0;
  WaveFormat format_;
  std::vector<std::vector<std::uint8_t>> buffers_;
};

}  // namespace kestrix
