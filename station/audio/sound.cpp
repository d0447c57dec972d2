#include "station/audio/sound.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace kestrix {

CSound::CSound(std::unique_ptr<WaveDevice> device, std::chrono::milliseconds bufferWait)
    : device_(std::move(device)), bufferWait_(bufferWait) {}

CSound::~CSound() {
  CloseOutput();
}

int CSound::OpenOutput(const WaveFormat& format, int bufferLength, long sampleLimit) {
  sampleLimit_ = sampleLimit;
  ResetCounters();
  lastError_ = 0;
  format_ = format;
  bytesPerFrame_ = static_cast<std::size_t>(format.BytesPerFrame());
  bufferBytes_ = bytesPerFrame_ * static_cast<std::size_t>(std::max(bufferLength, 1));

  const int opened = device_->Open(format, [this] { OnOutputDone(); });
  if (opened != 0) {
    lastError_ = opened;
    device_->Close();
    return opened;
  }
  deviceOpen_ = true;
  try {
    buffers_.assign(kBufferCount, std::vector<std::uint8_t>(bufferBytes_));
  } catch (const std::bad_alloc&) {
    CloseOutput();
    lastError_ = kSoundMemoryError;
    return kSoundMemoryError;
  }
  isOpen_ = true;
  notStarted_ = true;
  return 0;
}

long CSound::WriteOutput(const double* samples, int count) {
  if (!isOpen_) {
    lastError_ = kSoundNotOpenForWrite;
    return -1;
  }
  {
    std::lock_guard guard(lock_);
    if (underflow_) {
      lastError_ = kSoundUnderflow;  // noted; the write goes on
    }
  }
  if (count == 0) {
    CloseOutput();
    return lastError_ != 0 ? -1 : 0;
  }
  const long values = static_cast<long>(count) * format_.channels;
  for (long i = 0; i < values; ++i) {
    // Toward zero, then the low 16 bits, low byte first.
    const double clamped =
        std::clamp(samples[i], static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
    const auto value = static_cast<std::uint16_t>(static_cast<int>(std::trunc(clamped)));
    std::uint8_t* at = buffers_[static_cast<std::size_t>(writeIndex_)].data() + fillPos_;
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    fillPos_ += 2;
    if (fillPos_ < bufferBytes_) {
      continue;
    }
    {
      std::lock_guard guard(lock_);
      ++queued_;  // before the device can hand it back
    }
    const int written =
        device_->Write(buffers_[static_cast<std::size_t>(writeIndex_)].data(), bufferBytes_);
    fillPos_ = 0;
    if (written != 0) {
      {
        std::lock_guard guard(lock_);
        --queued_;
      }
      lastError_ = written;
      CloseOutput();
      return -1;
    }
    if (notStarted_ && writeIndex_ >= kStartWithBuffers - 1) {
      notStarted_ = false;
      device_->Restart();
    }
    std::unique_lock lock(lock_);
    writeIndex_ = (writeIndex_ + 1) % kBufferCount;
    if (queued_ >= kBufferCount && !WaitForDone(lock)) {  // all ten queued
      lock.unlock();
      lastError_ = kSoundWriteTimeout;
      CloseOutput();
      return -1;
    }
  }
  samplesWritten_ += count;
  if (sampleLimit_ != 0 && samplesWritten_ >= sampleLimit_) {
    CloseOutput();
    return lastError_ != 0 ? -1 : 0;
  }
  return count;
}

bool CSound::WaitForDone(std::unique_lock<std::mutex>& lock) {
  const int before = queued_;
  waiting_ = true;
  const bool done = doneEvent_.wait_for(lock, bufferWait_, [&] { return queued_ < before; });
  waiting_ = false;
  return done;
}

void CSound::OnOutputDone() {
  std::lock_guard guard(lock_);
  doneIndex_ = (doneIndex_ + 1) % kBufferCount;
  // Buffers dropped after ResetCounters come back uncounted.
  if (queued_ > 0) {
    --queued_;
  }
  if (queued_ == 0) {
    underflow_ = true;
  }
  if (waiting_) {
    doneEvent_.notify_all();
  }
}

void CSound::CloseOutput() {
  isOpen_ = false;
  if (!deviceOpen_) {
    return;
  }
  if (lastError_ == 0 && fillPos_ > 0) {
    {
      std::lock_guard guard(lock_);
      ++queued_;
    }
    if (device_->Write(buffers_[static_cast<std::size_t>(writeIndex_)].data(), fillPos_) != 0) {
      std::lock_guard guard(lock_);
      --queued_;
    }
    fillPos_ = 0;
    std::lock_guard guard(lock_);
    writeIndex_ = (writeIndex_ + 1) % kBufferCount;
  }
  // A device still waiting for its sixth buffer would never hand back
  // what it holds: start it, so that what was written is played.
  device_->Restart();
  notStarted_ = false;
  {
    std::unique_lock lock(lock_);
    while (queued_ > 0) {
      if (!WaitForDone(lock)) {
        lastError_ = kSoundWriteTimeout;
        break;
      }
    }
  }
  device_->Reset();
  device_->Close();
  deviceOpen_ = false;
  buffers_.clear();
}

void CSound::ResetCounters() {
  std::lock_guard guard(lock_);
  waiting_ = false;
  underflow_ = false;
  writeIndex_ = 0;
  doneIndex_ = 0;
  queued_ = 0;
  samplesWritten_ = 0;
  fillPos_ = 0;
}

int CSound::LastError() const {
  return lastError_;
}

std::string CSound::SoundErrorText(int number) {
  switch (number) {
    case kWaveNoError:
      return "";
    case kWaveBadDeviceId:
      return "Device ID out of range";
    case kWaveDriverFailed:
      return "Driver failed enable";
    case kWaveAllocated:
      return "Device already allocated";
    case kWaveInvalidHandle:
      return "Device handle is invalid";
    case kWaveNoDriver:
      return "No device driver present";
    case kWaveNoMemory:
      return "mmsystem memory allocation error";
    case kWaveNotSupported:
      return "Function isn't supported";
    case kWaveBadErrorNumber:
      return "Error value out of range";
    case kWaveInvalidFlag:
      return "Invalid flag passed";
    case kWaveInvalidParameter:
      return "Invalid parameter passed";
    case kWaveHandleBusy:
      return "Handle being used";
    case kSoundMemoryError:
      return "Memory Allocation error";
    case kSoundInputFileOpenFailed:
    case kSoundFileOpenFailed:
      return "Can't open wave file for input";
    case kSoundNotRiff:
      return "File is not a RIFF wave type";
    case kSoundInvalidWaveFile:
      return "Invalid wave file";
    case kSoundNoData:
      return "No data in file";
    case kSoundUnsupportedData:
      return "Not a supported data type";
    case kSoundFileReadError:
      return "Error reading data from file";
    case kSoundReadFileNotOpen:
      return "Tried to read and file is not open";
    case kWaveFileWriteError:
      return "Error writing to wave file";
    case kSoundWriteFileNotOpen:
      return "Tried to write and file is not open";
    case kSoundNotOpenForRead:
      return "Tried to read and soundcard is not open";
    case kSoundOverflow:
      return "Input buffers overflowed";
    case kSoundReadTimeout:
      return "Timed out waiting for input buffers";
    case kSoundNotOpenForWrite:
      return "Tried to write and soundcard is not open";
    case kSoundUnderflow:
      return "Output buffers Underflowed";
    case kSoundWriteTimeout:
      return "Timed out waiting for output buffers";
    default:
      return "??? Maybe Input being used at\n a different sample rate";
  }
}

}  // namespace kestrix
