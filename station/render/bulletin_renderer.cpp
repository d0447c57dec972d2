#include "station/render/bulletin_renderer.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  CSound sound(std::make_unique<WavFileDevice>(options.output, WavFileDevice::Pacing::kUnpaced));
  if (const int opened = sound.OpenOutput({1, kSampleRate, 16}, blockLength, 0); opened != 0) {
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
  for (int code : codes) {
    generator.GenerateCharacter(block.data(), blockLength, code, dataBits);
    levelStage.ApplyGain(blockLength, block.data(), CGenerators::kGain);
    if (sound.WriteOutput(block.data(), blockLength) != blockLength) {
      error = "writing " + options.output + " failed: " + CSound::SoundErrorText(sound.LastError());
      return false;
    }
  }
  sound.CloseOutput();
  // A file takes blocks faster than they are made: running dry is no fault.
  if (sound.LastError() != 0 && sound.LastError() != kSoundUnderflow) {
    error = "writing " + options.output + " failed: " + CSound::SoundErrorText(sound.LastError());
    return false;
  }
  return true;
}

}  // namespace kestrix
