#include "station/render/bulletin_renderer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "common/number_text.h"
#include "common/text_case.h"
#include "station/audio/msk_generator.h"
#include "station/audio/sendable_rate.h"
#include "station/audio/sound.h"
#include "station/audio/wav_file_device.h"
#include "station/config/station_mode.h"
#include "station/encoding/character_encoder.h"

namespace kestrix {

namespace {

constexpr int kSampleRate = 8000;
constexpr int kLettersShift = 31;

struct ModeName {
  const char* name;
  int mode;
};
constexpr ModeName kModes[] = {
    {"MILITARY", kModeMilitary}, {"ITA2", kModeIta2}, {"TELEX", kModeTelex}, {"ASCII", kModeAscii}};

// The whole text is the number, "." as the point whatever the locale; nan
// and the infinities are left to the range checks.
bool ParseNumber(const std::string& text, double& value) {
  const char* end = text.c_str();
  const std::optional<double> read = ReadDouble(end);
  value = read.value_or(0.0);
  return read.has_value() && *end == '\0';
}

int DataBitsOf(int mode) {
  return mode == kModeAscii ? 8 : 5;
}

// Collects the encoder's codes instead of sending them.
class CodeList final : public CodeOutput {
 public:
  void SendCode(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

// Hands a wave device whole buffers of 16-bit samples, converted as the
// sound ring converts them, and takes each buffer back before filling it
// again. The ring's buffers of one block and its sample-by-sample
// bookkeeping keep a card's latency short; a file takes everything at once,
// so here they would only cost time.
class DeviceFeed {
 public:
  // 1 MB in all: enough that the writer seldom waits for the device thread.
  static constexpr std::size_t kBuffers = 8;
  static constexpr std::size_t kBufferSamples = std::size_t{1} << 16;
  static_assert(kBuffers <= QueuedWaveDevice::kQueueCapacity);

  explicit DeviceFeed(WaveDevice& device) : device_(device) {
    for (auto& buffer : buffers_) {
      buffer.resize(2 * kBufferSamples);
    }
  }
  ~DeviceFeed() { device_.Close(); }
  DeviceFeed(const DeviceFeed&) = delete;
  DeviceFeed& operator=(const DeviceFeed&) = delete;

  // 0, or a wave device error number.
  int Open(const WaveFormat& format) {
    const int opened = device_.Open(format, [this] {
      std::lock_guard lock(mutex_);
      ++done_;
      back_.notify_all();
    });
    return opened != 0 ? opened : device_.Restart();
  }

  // Mono samples, toward zero and then their low 16 bits, low byte first.
  int Put(const double* samples, std::size_t count) {
    while (count > 0) {
      const std::size_t n = std::min(count, kBufferSamples - fill_);
      std::uint8_t* out = buffers_[current_].data() + 2 * fill_;
      for (std::size_t i = 0; i < n; ++i) {
        const double clamped =
            std::clamp(samples[i], static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
        const auto value = static_cast<std::uint16_t>(static_cast<int>(clamped));
        out[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
      }
      fill_ += n;
      samples += n;
      count -= n;
      if (fill_ == kBufferSamples) {
        if (const int error = Send(); error != 0) {
          return error;
        }
      }
    }
    return 0;
  }

  // Writes what is left and waits until the device has it all; 0, or the
  // error of a buffer that failed.
  int Finish() {
    int error = fill_ > 0 ? Send() : 0;
    WaitUntilBack(0);
    if (error == 0) {
      error = device_.Restart();  // the device's error once a buffer failed
    }
    device_.Close();
    return error;
  }

 private:
  int Send() {
    if (const int error = device_.Write(buffers_[current_].data(), 2 * fill_); error != 0) {
      return error;
    }
    fill_ = 0;
    current_ = (current_ + 1) % kBuffers;
    ++sent_;
    WaitUntilBack(kBuffers - 1);  // the next buffer is free again
    return 0;
  }

  void WaitUntilBack(std::size_t outstanding) {
    std::unique_lock lock(mutex_);
    back_.wait(lock, [&] { return sent_ - done_ <= outstanding; });
  }

  WaveDevice& device_;
  std::array<std::vector<std::uint8_t>, kBuffers> buffers_;
  std::size_t current_ = 0;
  std::size_t fill_ = 0;
  std::size_t sent_ = 0;
  std::mutex mutex_;
  std::condition_variable back_;
  std::size_t done_ = 0;  // under the mutex
};

}  // namespace

std::string BulletinRenderer::Usage() {
  return "usage: kestrix-render [--mode military|ita2|telex|ascii] [--baud RATE]\n"
         "                      [--mark HZ] [--space HZ] [--lead-in SECONDS] INPUT OUTPUT.wav\n"
         "       kestrix-render --help\n"
         "Renders the text file INPUT as audio FSK into OUTPUT.wav (8000 samples/s, 16-bit\n"
         "mono), as the station sends it through a sound card. Defaults: military, 45.45 baud,\n"
         "mark 2125 Hz, space 2295 Hz, 2 s of letters shift before the text. RATE is " +
         ShortestText(kMinSendableBaud) + " to " + ShortestText(kMaxSendableBaud) + " baud.\n";
}

std::optional<RenderOptions> BulletinRenderer::ParseArguments(const std::vector<std::string>& args,
                                                              std::string& error) {
  RenderOptions options;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    if (!arg.starts_with("--")) {
      files.push_back(arg);
      continue;
    }
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    double number = 0;
    if (arg == "--mode") {
      const std::string upper = UpperCase(value);
      const ModeName* found = nullptr;
      for (const ModeName& mode : kModes) {
        if (upper == mode.name) {
          found = &mode;
        }
      }
      if (found == nullptr) {
        error = "unknown mode \"" + value + "\"";
        return std::nullopt;
      }
      options.mode = found->mode;
    } else if (!ParseNumber(value, number)) {
      error = arg + " needs a number, not \"" + value + "\"";
      return std::nullopt;
    } else if (arg == "--baud" && IsSendableRate(number)) {
      options.baud = number;
    } else if (arg == "--mark" && number > 0 && number < kSampleRate / 2) {
      options.markTone = number;
    } else if (arg == "--space" && number > 0 && number < kSampleRate / 2) {
      options.spaceTone = number;
    } else if (arg == "--lead-in" && number >= 0 && number <= 60) {
      options.leadInSeconds = number;
    } else if (arg == "--baud" || arg == "--mark" || arg == "--space" || arg == "--lead-in") {
      error = arg + " " + value + " is out of range";
      return std::nullopt;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (files.size() != 2) {
    error = "give one INPUT and one OUTPUT file";
    return std::nullopt;
  }
  options.input = files[0];
  options.output = files[1];
  return options;
}

std::vector<int> BulletinRenderer::TransmissionCodes(const RenderOptions& options,
                                                     const std::string& text,
                                                     const TimeSource& clock) {
  const int dataBits = DataBitsOf(options.mode);
  const double characterSeconds =
      SamplesPerCharacter(dataBits, kSampleRate, options.baud) / double{kSampleRate};
  const auto characters = [&](double seconds) {
    return static_cast<int>(std::ceil(seconds / characterSeconds));
  };
  CodeList list;
  // The idle of a transmitter that is on: letters shift in the five-bit
  // modes, steady mark in ASCII.
  const int idle = options.mode == kModeAscii ? 0 : kLettersShift;
  // One block of mark first, as from a transmitter just switched on: a
  // receiver finds the first start bit only after mark.
  list.codes.push_back(0);
  list.codes.insert(list.codes.end(), static_cast<std::size_t>(characters(options.leadInSeconds)),
                    idle);
  CharacterEncoder encoder(list, clock);
  if (idle == kLettersShift && list.codes.size() > 1) {
    encoder.NoteLettersShiftSent();
  }
  for (char c : text) {
    encoder.SendTextCharacter(static_cast<unsigned char>(c), options.mode);
  }
  list.codes.insert(list.codes.end(), static_cast<std::size_t>(characters(kTrailSeconds)), 0);
  return list.codes;
}

bool BulletinRenderer::Render(const RenderOptions& options, std::string& error) {
  std::ifstream in(options.input, std::ios::binary);
  if (!in) {
    error = "cannot read " + options.input;
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SystemTimeSource clock;
  return RenderCodes(options, TransmissionCodes(options, text, clock), error);
}

bool BulletinRenderer::RenderCodes(const RenderOptions& options, const std::vector<int>& codes,
                                   std::string& error) {
  std::error_code ignored;
  std::filesystem::remove(options.output, ignored);  // the device would append
  const int dataBits = DataBitsOf(options.mode);
  const int blockLength = SamplesPerCharacter(dataBits, kSampleRate, options.baud);
  WavFileDevice device(options.output, WavFileDevice::Pacing::kUnpaced);
  DeviceFeed feed(device);
  if (const int opened = feed.Open({1, kSampleRate, 16}); opened != 0) {
    error = "cannot write " + options.output + ": " + CSound::SoundErrorText(opened);
    return false;
  }
  // Centre and shift as the transmitter works them out.
  ToneState tones;
  tones.halfShift = std::fabs(options.markTone - options.spaceTone) * 0.5;
  const int centre = static_cast<int>((options.markTone + options.spaceTone) * 0.5);
  CMSKGen generator(tones);
  generator.Init(kSampleRate, centre, options.baud);
  CGenerators levelStage;
  std::vector<double> block(static_cast<std::size_t>(blockLength));
  int written = 0;
  for (std::size_t next = 0; next < codes.size() && written == 0; ++next) {
    generator.GenerateCharacter(block.data(), blockLength, codes[next], dataBits);
    levelStage.ApplyGain(blockLength, block.data(), CGenerators::kGain);
    written = feed.Put(block.data(), block.size());
  }
  const int finished = feed.Finish();
  if (written != 0 || finished != 0) {
    error = "writing " + options.output +
            " failed: " + CSound::SoundErrorText(written != 0 ? written : finished);
    return false;
  }
  return true;
}

}  // namespace kestrix
