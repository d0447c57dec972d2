#include "station/audio/wav_file_device.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

namespace kestrix {
namespace {

constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint64_t kHeaderBytes = 44;
// RIFF sizes are 32 bits: the file may not grow past this plus 8.
constexpr std::uint64_t kMaxRiffSize = 0xFFFFFFFFu;

void PutLe16(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::uint8_t* out, std::uint32_t value) {
  PutLe16(out, value & 0xFFFFu);
  PutLe16(out + 2, value >> 16);
}

std::uint32_t GetLe16(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8;
}

std::uint32_t GetLe32(const std::uint8_t* in) {
  return GetLe16(in) | GetLe16(in + 2) << 16;
}

struct FmtFields {
  std::uint32_t formatTag;
  std::uint32_t channels;
  std::uint32_t sampleRate;
  std::uint32_t byteRate;
  std::uint32_t blockAlign;
  std::uint32_t bitsPerSample;
  bool operator==(const FmtFields&) const = default;
};

FmtFields FieldsOf(const WaveFormat& format) {
  const auto frameBytes = static_cast<std::uint32_t>(format.BytesPerFrame());
  const auto rate = static_cast<std::uint32_t>(format.sampleRate);
  return {kPcmFormat, static_cast<std::uint32_t>(format.channels),     rate, rate * frameBytes,
          frameBytes, static_cast<std::uint32_t>(format.bitsPerSample)};
}

std::array<std::uint8_t, kHeaderBytes> FreshHeader(const WaveFormat& format) {
  const FmtFields fields = FieldsOf(format);
  std::array<std::uint8_t, kHeaderBytes> h{};
  std::memcpy(&h[0], "RIFF", 4);
  PutLe32(&h[4], kHeaderBytes - 8);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  PutLe32(&h[16], 16);
  PutLe16(&h[20], fields.formatTag);
  PutLe16(&h[22], fields.channels);
  PutLe32(&h[24], fields.sampleRate);
  PutLe32(&h[28], fields.byteRate);
  PutLe16(&h[32], fields.blockAlign);
  PutLe16(&h[34], fields.bitsPerSample);
  std::memcpy(&h[36], "data", 4);
  PutLe32(&h[40], 0);
  return h;
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::uint8_t* out, std::size_t bytes) {
  return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, bytes, file) == bytes;
}

struct DataChunk {
  std::uint64_t start;  // first sample
  std::uint64_t bytes;  // whole frames the file holds
};

// The data chunk of a WAV file in `format` that more samples can follow;
// nothing when the file is not one. The fmt chunk comes first, as RIFF wants.
std::optional<DataChunk> FindAppendableData(std::FILE* file, const WaveFormat& format) {
  if (::fseeko(file, 0, SEEK_END) != 0) {
    return std::nullopt;
  }
  const off_t end = ::ftello(file);
  if (end < 12) {
    return std::nullopt;
  }
  const auto fileBytes = static_cast<std::uint64_t>(end);
  std::uint8_t riff[12];
  if (!ReadAt(file, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  bool formatSeen = false;
  std::uint64_t offset = 12;
  while (offset + 8 <= fileBytes) {
    std::uint8_t chunk[8];
    if (!ReadAt(file, offset, chunk, sizeof chunk)) {
      return std::nullopt;
    }
    const std::uint64_t body = offset + 8;
    const std::uint64_t size = GetLe32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      std::uint8_t f[16];
      if (size < sizeof f || !ReadAt(file, body, f, sizeof f)) {
        return std::nullopt;
      }
      const FmtFields found{GetLe16(f),     GetLe16(f + 2),  GetLe32(f + 4),
                            GetLe32(f + 8), GetLe16(f + 12), GetLe16(f + 14)};
      if (!(found == FieldsOf(format))) {
        return std::nullopt;
      }
      formatSeen = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!formatSeen) {
        return std::nullopt;
      }
      // Past the declared size may be another chunk: only the whole
      // frames both the header and the file hold count.
      std::uint64_t bytes = std::min(size, fileBytes - body);
      bytes -= bytes % static_cast<std::uint64_t>(format.BytesPerFrame());
      return DataChunk{body, bytes};
    }
    offset = body + size + (size & 1);
  }
  return std::nullopt;
}

}  // namespace

PlaybackPace::Clock::time_point PlaybackPace::Next(Clock::time_point now, std::uint64_t frames) {
  if (!running_ || now > RunEnd()) {
    running_ = true;
    runStart_ = now;
    runFrames_ = 0;
  }
  runFrames_ += frames;
  return RunEnd();
}

PlaybackPace::Clock::time_point PlaybackPace::RunEnd() const {
  const auto rate = static_cast<std::uint64_t>(sampleRate_);
  const std::chrono::nanoseconds elapsed =
      std::chrono::seconds(runFrames_ / rate) +
      std::chrono::nanoseconds(runFrames_ % rate * 1'000'000'000 / rate);
  return runStart_ + std::chrono::duration_cast<Clock::duration>(elapsed);
}

WavFileDevice::WavFileDevice(std::string path, Pacing pacing, std::uint64_t maxFileBytes)
    : QueuedWaveDevice(kWaveFileWriteError),
      path_(std::move(path)),
      pacing_(pacing),
      maxFileBytes_(std::min<std::uint64_t>(maxFileBytes, kMaxRiffSize + 8)) {}

WavFileDevice::~WavFileDevice() {
  Close();
}

int WavFileDevice::OpenDevice(const WaveFormat& format) {
  if (format.bitsPerSample != 16 || format.channels < 1 || format.sampleRate < 1) {
    return kWaveNotSupported;
  }
  frameBytes_ = format.BytesPerFrame();
  format_ = format;
  pace_ = PlaybackPace(format.sampleRate);

  if (std::FILE* file = std::fopen(path_.c_str(), "r+be")) {
    if (const std::optional<DataChunk> data = FindAppendableData(file, format)) {
      file_ = file;
      dataStart_ = data->start;
      dataBytes_ = data->bytes;
      // Cuts off what follows the samples and repairs a stale header.
      if (::ftruncate(::fileno(file), static_cast<off_t>(dataStart_ + dataBytes_)) == 0 &&
          WriteSizes()) {
        return kWaveNoError;
      }
      file_ = nullptr;
      std::fclose(file);
      return kWaveFileWriteError;
    }
    std::fclose(file);
  }
  return CreateFresh() ? kWaveNoError : kWaveFileWriteError;
}

bool WavFileDevice::CreateFresh() {
  std::FILE* file = std::fopen(path_.c_str(), "w+be");
  if (file == nullptr) {
    return false;
  }
  const auto header = FreshHeader(format_);
  if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
      std::fflush(file) != 0) {
    std::fclose(file);
    return false;
  }
  file_ = file;
  dataStart_ = kHeaderBytes;
  dataBytes_ = 0;
  return true;
}

// A full file (RIFF sizes are 32 bits: about 74 hours at 8000 samples/s)
// is kept under the next free name "PATH.1", "PATH.2", ... and recording
// goes on in a fresh file at PATH, so a station left running for months
// never stops recording.
bool WavFileDevice::StartNextFile() {
  std::fclose(file_);
  file_ = nullptr;
  std::string kept;
  std::error_code ignored;
  for (int n = 1;; ++n) {
    kept = path_ + "." + std::to_string(n);
    if (!std::filesystem::exists(kept, ignored)) {
      break;
    }
  }
  std::filesystem::rename(path_, kept, ignored);
  return !ignored && CreateFresh();
}

bool WavFileDevice::PlayBuffer(const std::uint8_t* data, std::size_t bytes) {
  const std::uint64_t frames = bytes / static_cast<std::size_t>(frameBytes_);
  const std::size_t whole = frames * static_cast<std::size_t>(frameBytes_);
  if (dataStart_ + dataBytes_ + whole > maxFileBytes_ &&
      (dataBytes_ == 0 || !StartNextFile() || dataStart_ + whole > maxFileBytes_)) {
    return false;
  }
  if (whole > 0 && std::fwrite(data, 1, whole, file_) != whole) {
    return false;
  }
  dataBytes_ += whole;
  if (!WriteSizes()) {
    return false;
  }
  if (pacing_ == Pacing::kRealTime) {
    WaitUntil(pace_.Next(PlaybackPace::Clock::now(), frames));
  }
  return true;
}

void WavFileDevice::WaitUntil(PlaybackPace::Clock::time_point end) {
  std::unique_lock lock(paceMutex_);
  paceWake_.wait_until(lock, end, [&] { return PlaybackAborted(); });
}

void WavFileDevice::AbortPlayback() {
  // Taking the mutex orders this after the waiter's last look at the flag.
  { std::lock_guard lock(paceMutex_); }
  paceWake_.notify_all();
}

void WavFileDevice::DiscardPlayed() {
  pace_.Restart();
}

void WavFileDevice::CloseDevice() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

bool WavFileDevice::WriteSizes() {
  std::uint8_t riffSize[4];
  std::uint8_t dataSize[4];
  PutLe32(riffSize, static_cast<std::uint32_t>(dataStart_ + dataBytes_ - 8));
  PutLe32(dataSize, static_cast<std::uint32_t>(dataBytes_));
  return ::fseeko(file_, 4, SEEK_SET) == 0 && std::fwrite(riffSize, 1, 4, file_) == 4 &&
         ::fseeko(file_, static_cast<off_t>(dataStart_ - 4), SEEK_SET) == 0 &&
         std::fwrite(dataSize, 1, 4, file_) == 4 && ::fseeko(file_, 0, SEEK_END) == 0 &&
         std::fflush(file_) == 0;
}

}  // namespace kestrix
