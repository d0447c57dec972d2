#include "station/audio/queued_wave_device.h"

#include <utility>

namespace kestrix {

QueuedWaveDevice::QueuedWaveDevice(int playbackError) : playbackError_(playbackError) {}

QueuedWaveDevice::~QueuedWaveDevice() = default;

int QueuedWaveDevice::Open(const WaveFormat& format, BufferDone onDone) {
  {
    std::unique_lock lock(mutex_);
    // Another thread may still be closing the last opening.
    changed_.wait(lock, [&] { return !closing_; });
    if (open_ || opening_) {
      return kWaveAllocated;
    }
    opening_ = true;
  }
  const int result = OpenDevice(format);
  std::lock_guard lock(mutex_);
  opening_ = false;
  if (result != kWaveNoError) {
    changed_.notify_all();
    return result;
  }
  open_ = true;
  paused_ = true;
  stopping_ = false;
  playing_ = false;
  failed_ = false;
  head_ = 0;
  count_ = 0;
  onDone_ = std::move(onDone);
  thread_ = std::thread([this] { Run(); });
  changed_.notify_all();
  return kWaveNoError;
}

int QueuedWaveDevice::Restart() {
  std::lock_guard lock(mutex_);
  if (!open_) {
    return kNotOpenError;
  }
  paused_ = false;
  changed_.notify_all();
  return failed_ ? playbackError_ : kWaveNoError;
}

int QueuedWaveDevice::Write(const std::uint8_t* data, std::size_t bytes) {
  std::lock_guard lock(mutex_);
  if (!open_) {
    return kNotOpenError;
  }
  if (failed_) {
    return playbackError_;
  }
  if (count_ == kQueueCapacity) {
    return kQueueFullError;
  }
  ring_[(head_ + count_) % kQueueCapacity] = {data, bytes};
  ++count_;
  changed_.notify_all();
  return kWaveNoError;
}

std::uint64_t QueuedWaveDevice::RequestReset() {
  ++resetsAsked_;
  cutAsked_ = cutAsked_ || playing_ || count_ > 0;
  aborting_ = true;
  // Under the lock, so a Close cannot release the device under it.
  AbortPlayback();
  changed_.notify_all();
  return resetsAsked_;
}

void QueuedWaveDevice::Reset() {
  std::unique_lock lock(mutex_);
  if (!open_) {
    return;
  }
  const std::uint64_t ticket = RequestReset();
  changed_.wait(lock, [&] { return resetsDone_ >= ticket; });
}

void QueuedWaveDevice::Close() {
  std::thread worker;
  {
    std::lock_guard lock(mutex_);
    if (!open_) {
      return;
    }
    open_ = false;
    closing_ = true;
    stopping_ = true;
    // With nothing left to play the device drains instead.
    if (playing_ || count_ > 0) {
      RequestReset();
    }
    changed_.notify_all();
    worker = std::move(thread_);
  }
  worker.join();
  CloseDevice();
  std::lock_guard lock(mutex_);
  closing_ = false;
  changed_.notify_all();
}

void QueuedWaveDevice::DropQueued(std::unique_lock<std::mutex>& lock, bool& playedSinceCut) {
  const std::uint64_t ticket = resetsAsked_;
  const std::size_t dropped = count_;
  const bool cut = cutAsked_;
  head_ = 0;
  count_ = 0;
  cutAsked_ = false;
  lock.unlock();
  if (cut) {
    DiscardPlayed();
    playedSinceCut = false;
  }
  for (std::size_t i = 0; i < dropped; ++i) {
    if (onDone_) {
      onDone_();
    }
  }
  lock.lock();
  resetsDone_ = ticket;
  aborting_ = resetsAsked_ != resetsDone_;
  changed_.notify_all();
}

void QueuedWaveDevice::Run() {
  std::unique_lock lock(mutex_);
  bool playedSinceCut = false;
  for (;;) {
    changed_.wait(
        lock, [&] { return resetsAsked_ != resetsDone_ || stopping_ || (!paused_ && count_ > 0); });
    if (resetsAsked_ != resetsDone_) {
      DropQueued(lock, playedSinceCut);
      continue;
    }
    if (stopping_) {
      break;
    }
    const Entry entry = ring_[head_];
    head_ = (head_ + 1) % kQueueCapacity;
    --count_;
    // A device that failed once plays nothing more; the caller still gets
    // every buffer back.
    const bool broken = failed_;
    playing_ = true;
    lock.unlock();
    const bool played = broken || PlayBuffer(entry.data, entry.bytes);
    playedSinceCut = playedSinceCut || !broken;
    lock.lock();
    playing_ = false;
    if (!played) {
      failed_ = true;
    }
    lock.unlock();
    if (onDone_) {
      onDone_();
    }
    lock.lock();
  }
  lock.unlock();
  if (playedSinceCut) {
    Drain();
  }
}

}  // namespace kestrix
