#pragma once
// The part every wave device shares: one device thread per open device
// that plays the handed-over buffers in order, one at a time, and reports
// each one done. A subclass only says how one buffer is played.
//
// Thread rules: Open, Restart, Write, Reset and Close may come from any
// thread. PlayBuffer, DiscardPlayed and Drain run on the device thread;
// OpenDevice and CloseDevice on the thread that opens or closes, while no
// device thread runs. AbortPlayback comes from the thread that resets or
// closes, with the device's lock held, while PlayBuffer may be running.
//
// Subclasses call Close() in their own destructor: the device thread calls
// their hooks, so it must be gone before they are.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "station/audio/wave_device.h"

namespace kestrix {

class QueuedWaveDevice : public WaveDevice {
 public:
  // Buffers handed over and not yet reported done, the one playing aside.
  static constexpr std::size_t kQueueCapacity = 16;
  // Write() on a full queue (7, "mmsystem memory allocation error"). The
  // sound ring keeps at most 10 buffers out, so only a caller's mistake.
  static constexpr int kQueueFullError = kWaveNoMemory;
  // Restart() or Write() while not open (5, "Device handle is invalid").
  static constexpr int kNotOpenError = kWaveInvalidHandle;

  ~QueuedWaveDevice() override;
  QueuedWaveDevice(const QueuedWaveDevice&) = delete;
  QueuedWaveDevice& operator=(const QueuedWaveDevice&) = delete;

  // kWaveAllocated when already open.
  int Open(const WaveFormat& format, BufferDone onDone) override;
  int Restart() override;
  // After a buffer failed to play, the device's playback error: the device
  // then plays nothing more, and what is queued is only reported done.
  int Write(const std::uint8_t* data, std::size_t bytes) override;
  // Returns once every dropped buffer is reported done. Leaves the device
  // playing or paused as it was. A Reset with nothing queued or playing
  // cuts nothing: what the device still holds plays out at Close, as the
  // sound ring resets after its last buffer came back.
  void Reset() override;
  void Close() override;

 protected:
  // `playbackError` is what Write() returns once a buffer failed to play.
  explicit QueuedWaveDevice(int playbackError);

  // Prepares the device; an error number when it cannot.
  virtual int OpenDevice(const WaveFormat& format) = 0;
  // Plays one buffer, blocking until it is played or PlaybackAborted()
  // turns true (then it returns true at once). False on a device error.
  virtual bool PlayBuffer(const std::uint8_t* data, std::size_t bytes) = 0;
  // Wakes a PlayBuffer that waits, so it sees PlaybackAborted(). Must not
  // block and must not call into this class.
  virtual void AbortPlayback() = 0;
  // After a Reset that dropped or cut short a buffer: throws away whatever
  // the device still holds.
  virtual void DiscardPlayed() {}
  // At Close, when nothing was thrown away since the last buffer played:
  // lets the device play out what it still holds.
  virtual void Drain() {}
  virtual void CloseDevice() = 0;

  // True from a Reset or Close until the device thread has dealt with it.
  bool PlaybackAborted() const { return aborting_.load(); }

 private:
  struct Entry {
    const std::uint8_t* data;
    std::size_t bytes;
  };

  void Run();
  // Asks the device thread to drop everything; the lock is held.
  std::uint64_t RequestReset();
  // Drops what is queued and reports it; the lock is held on entry and exit.
  void DropQueued(std::unique_lock<std::mutex>& lock, bool& playedSinceCut);

  const int playbackError_;

  std::mutex mutex_;
  std::condition_variable changed_;  // any change below
  bool open_ = false;
  bool opening_ = false;
  bool closing_ = false;
  bool paused_ = true;
  bool stopping_ = false;
  bool playing_ = false;
  bool failed_ = false;
  std::array<Entry, kQueueCapacity> ring_{};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  // Never go back, so a reset waiter of an earlier opening is not confused.
  std::uint64_t resetsAsked_ = 0;
  std::uint64_t resetsDone_ = 0;
  bool cutAsked_ = false;  // a pending reset found something to stop
  std::atomic<bool> aborting_{false};
  BufferDone onDone_;
  std::thread thread_;
};

}  // namespace kestrix
