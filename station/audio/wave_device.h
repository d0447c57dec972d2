#pragma once
// One wave output device as the sound ring drives it: it opens paused,
// takes filled buffers in order, starts playing at Restart, and reports
// every finished buffer through its callback from its own thread. Error
// results are numbers of the sound error table (0 for none).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "station/audio/sound_card_lock.h"

namespace kestrix {

struct WaveFormat {
  int channels = 1;
  int sampleRate = 8000;
  int bitsPerSample = 16;
  int BytesPerFrame() const { return channels * bitsPerSample / 8; }
};

// Error numbers a device returns (texts in CSound::SoundErrorText).
enum WaveDeviceError : int {
  kWaveNoError = 0,
  kWaveBadDeviceId = 2,        // "Device ID out of range"
  kWaveDriverFailed = 3,       // "Driver failed enable"
  kWaveAllocated = 4,          // "Device already allocated"
  kWaveInvalidHandle = 5,      // "Device handle is invalid"
  kWaveNoDriver = 6,           // "No device driver present"
  kWaveNoMemory = 7,           // "mmsystem memory allocation error"
  kWaveNotSupported = 8,       // "Function isn't supported"
  kWaveBadErrorNumber = 9,     // "Error value out of range"
  kWaveInvalidFlag = 10,       // "Invalid flag passed"
  kWaveInvalidParameter = 11,  // "Invalid parameter passed"
  kWaveHandleBusy = 12,        // "Handle being used"
  kWaveFileWriteError = 109,   // "Error writing to wave file"
};

class WaveDevice {
 public:
  using BufferDone = std::function<void()>;

  virtual ~WaveDevice() = default;

  // Opens the device paused. `onDone` is called once per finished buffer,
  // on the device's own thread, and must not call back into the device.
  virtual int Open(const WaveFormat& format, BufferDone onDone) = 0;
  // Starts (or goes on) playing what is queued.
  virtual int Restart() = 0;
  // Queues one buffer of little-endian 16-bit samples. The device reads
  // `data` until it reports the buffer done; the caller keeps it alive.
  virtual int Write(const std::uint8_t* data, std::size_t bytes) = 0;
  // Stops at once; queued buffers are dropped and reported done.
  virtual void Reset() = 0;
  // Releases the device; harmless when not open.
  virtual void Close() = 0;
};

// The device a soundCardID stands for: -1 the configured device (the
// text of QERVSOUNDDEVICE, "" for the default), 0..4 the cards in their
// documented order.
class WaveDeviceFactory {
 public:
  virtual ~WaveDeviceFactory() = default;
  virtual std::unique_ptr<WaveDevice> Create(int soundCardID,
                                             const std::string& configuredDevice) = 0;

  // Every worker that plays on a device of this factory holds it.
  SoundCardLock& Card() { return card_; }

 private:
  SoundCardLock card_;
};

}  // namespace kestrix
