#include "station/render/bulletin_renderer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include "station/audio/msk_generator.h"
#include "station/audio/sound.h"
#include "station/audio/wav_file_device.h"
#include "station/config/station_mode.h"
#include "tests/common_support/comma_decimal_locale.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/minimodem.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::WriteFile;

std::string Decode(const std::string& arguments) {
  return testing::RunMinimodem(arguments);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

RenderOptions Options(int mode, double baud) {
  RenderOptions options;
  options.mode = mode;
  options.baud = baud;
  options.input = "bulletin.txt";
  options.output = "air.wav";
  return options;
}

constexpr double kFiveBitRates[] = {45.45, 50.0, 56.9, 74.4, 75.0, 100.0};

// minimodem's RTTY framing (five bits, 1.5 stop) at `baud`.
std::string RttyAt(double baud) {
  return baud == 45.45 ? "rtty" : "--baudot --stopbits 1.5 " + std::to_string(baud);
}

// The codes of the frames minimodem prints as "01101" groups of data bits,
// bit 0 first.
std::vector<int> FrameCodes(const std::string& printed) {
  std::vector<int> codes;
  int bit = 0;
  for (char c : printed) {
    if (c != '0' && c != '1') {
      continue;
    }
    if (bit == 0) {
      codes.push_back(0);
    }
    codes.back() |= (c - '0') << bit;
    bit = (bit + 1) % 5;
  }
  return codes;
}

// The codes that go out as frames: idle is none.
std::vector<int> Frames(std::vector<int> codes) {
  std::erase(codes, 0);
  return codes;
}

class BulletinRendererTest : public ::testing::Test {
 protected:
  BulletinRendererTest() { WriteFile("bulletin.txt", kBulletin); }
  static constexpr const char* kBulletin =
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890\r\n"
      "THIS IS THE KESTRIX DEMO STATION.\r\nCQ CQ DE N0CALL\r\n"
      "WX: 12/3 -5C, WIND 270/15 (GUSTS 25)?\r\n"
      "PROPAGATION: SFI 142, A 8, K 2. 20M AND 15M OPEN TO EUROPE UNTIL 2100Z.\r\n"
      "RYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRYRY\r\n"
      "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS: 3 X 12, 1/2 - 1/4 (OK)?\r\n"
      "THE STATION SENDS AT 45.45, 50, 56.9, 74.4 AND 100 BAUD.\r\nNNNN\r\n";

  // The bulletin as the station sends it, with idle blocks of mark after
  // each line as when the text comes slower than the air takes it.
  static std::vector<int> WithIdleBetweenLines(const std::vector<int>& codes) {
    std::vector<int> out;
    int lines = 0;
    for (int code : codes) {
      out.push_back(code);
      if (code == 2) {
        out.insert(out.end(), static_cast<std::size_t>(1 + lines++ % 3), 0);
      }
    }
    return out;
  }
  std::vector<int> RenderBulletin(const RenderOptions& options) {
    std::vector<int> codes =
        WithIdleBetweenLines(BulletinRenderer::TransmissionCodes(options, kBulletin, clock));
    std::string error;
    EXPECT_TRUE(BulletinRenderer::RenderCodes(options, codes, error)) << error;
    return codes;
  }

  testing::TempWorkingDirectory dir;
  SystemTimeSource clock;
};

TEST_F(BulletinRendererTest, EveryFiveBitModeAndRateDecodesWithTheDecodersDefaults) {
  for (const double baud : kFiveBitRates) {
    // minimodem's own text knows the US teleprinter's figures.
    RenderBulletin(Options(kModeMilitary, baud));
    EXPECT_EQ(WithoutCarriageReturns(Decode("-M 2125 -S 2295 -f air.wav " + RttyAt(baud))),
              WithoutCarriageReturns(kBulletin))
        << baud;
    for (const int mode : {kModeIta2, kModeTelex}) {
      const std::vector<int> codes = RenderBulletin(Options(mode, baud));
      const std::string frames =
          Decode("-M 2125 -S 2295 --binary-output -f air.wav " + RttyAt(baud));
      EXPECT_EQ(FrameCodes(frames), Frames(codes)) << mode << " at " << baud;
    }
  }
}

// The line as a simple receiver hears it: true for mark at each sample.
// Each sample's tone comes from its neighbours (x[n-1] + x[n+1] = 2 cos(w)
// x[n] for a steady tone), summed over a few samples either side.
std::vector<bool> MarkAtEachSample(const std::vector<double>& x, double mark, double space) {
  constexpr double kRate = 8000;
  const double split = (std::cos(2 * std::numbers::pi * mark / kRate) +
                        std::cos(2 * std::numbers::pi * space / kRate)) /
                       2;
  const bool markIsLower = mark < space;
  constexpr int kHalf = 6;
  std::vector<bool> levels(x.size(), true);
  for (std::size_t n = kHalf + 1; n + kHalf + 1 < x.size(); ++n) {
    double product = 0;
    double energy = 0;
    for (std::size_t m = n - kHalf; m <= n + kHalf; ++m) {
      product += x[m] * (x[m - 1] + x[m + 1]);
      energy += 2 * x[m] * x[m];
    }
    // A higher tone has the smaller cosine.
    levels[n] = (product / energy > split) == markIsLower;
  }
  for (std::size_t n = 0; n <= kHalf && n < x.size(); ++n) {
    levels[n] = levels[std::min(x.size() - 1, std::size_t{kHalf + 1})];
  }
  return levels;
}

std::vector<double> WavSamples(const std::string& file) {
  const std::string bytes = ReadFile(file);
  std::vector<double> samples;
  for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) {
    samples.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                                static_cast<std::uint8_t>(bytes[at + 1]) << 8));
  }
  return samples;
}

TEST_F(BulletinRendererTest, EveryStopElementLastsAtLeastOneAndAHalfBits) {
  for (const double baud : kFiveBitRates) {
    const std::vector<int> codes = RenderBulletin(Options(kModeMilitary, baud));
    const std::vector<bool> mark = MarkAtEachSample(WavSamples("air.wav"), 2125, 2295);
    const double bit = 8000 / baud;  // samples
    const long size = static_cast<long>(mark.size());
    const auto nextStart = [&](long from) {
      for (long n = std::max(from, 0L); n < size; ++n) {
        if (!mark[n] && (n == 0 || mark[n - 1])) {
          return n;
        }
      }
      return size;
    };
    std::vector<int> decoded;
    double shortestStop = 99;
    for (long start = nextStart(0); start < size;) {
      const double stopBegins = start + 6 * bit;
      // Every change of tone inside the frame falls on a whole bit.
      for (long n = start + 1; n < stopBegins && n < size; ++n) {
        if (mark[n] != mark[n - 1]) {
          const double bits = (n - start) / bit;
          ASSERT_NEAR(bits, std::round(bits), 3 / bit)
              << baud << " baud, frame " << decoded.size() << " at sample " << start;
        }
      }
      int code = 0;
      for (int k = 0; k < 5; ++k) {
        const long middle = std::min(size - 1, static_cast<long>(start + (k + 1.5) * bit));
        code |= mark[middle] ? 1 << k : 0;
      }
      decoded.push_back(code);
      const long next = nextStart(static_cast<long>(stopBegins));
      if (next < size) {
        shortestStop = std::min(shortestStop, (next - stopBegins) / bit);
      }
      start = next;
    }
    EXPECT_EQ(decoded, Frames(codes)) << baud;
    EXPECT_GE(shortestStop, 1.42) << baud;
  }
}

// The WAV file of `codes` as the station's sound ring writes it, one block
// a buffer, from the same generator and level stage.
std::string ThroughTheSoundRing(const RenderOptions& options, const std::vector<int>& codes) {
  const int dataBits = options.mode == kModeAscii ? 8 : 5;
  const int block = SamplesPerCharacter(dataBits, 8000, options.baud);
  std::filesystem::remove("ring.wav");
  {
    CSound sound(std::make_unique<WavFileDevice>("ring.wav", WavFileDevice::Pacing::kUnpaced));
    EXPECT_EQ(sound.OpenOutput({1, 8000, 16}, block, 0), 0);
    ToneState tones{.halfShift = std::fabs(options.markTone - options.spaceTone) / 2};
    CMSKGen generator(tones);
    generator.Init(8000, static_cast<int>((options.markTone + options.spaceTone) / 2),
                   options.baud);
    std::vector<double> samples(static_cast<std::size_t>(block));
    for (const int code : codes) {
      generator.GenerateCharacter(samples.data(), block, code, dataBits);
      CGenerators{}.ApplyGain(block, samples.data(), CGenerators::kGain);
      EXPECT_EQ(sound.WriteOutput(samples.data(), block), block);
    }
    sound.CloseOutput();
  }
  return ReadFile("ring.wav");
}

// Where two files first differ, for a message that does not print them.
std::string FirstDifference(const std::string& a, const std::string& b) {
  const auto [at, ignored] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
         ", first difference at byte " + std::to_string(at - a.begin());
}

TEST_F(BulletinRendererTest, TheFileHoldsWhatTheSoundRingWouldWriteToTheLastSample) {
  struct Case {
    int mode;
    double baud;
    int codes;
    int codeMask;
  };
  // Several of the renderer's buffers and a last one that is not full.
  for (const Case& c : {Case{kModeMilitary, 45.45, 150, 0x1F}, Case{kModeAscii, 300, 250, 0xFF},
                        Case{kModeTelex, 100, 3, 0x1F}}) {
    RenderOptions options = Options(c.mode, c.baud);
    options.markTone = 1275;
    options.spaceTone = 1445;
    std::vector<int> codes;
    for (int i = 0; i < c.codes; ++i) {
      codes.push_back(i % 7 == 0 ? 0 : (i * 37 + 5) & c.codeMask);
    }
    std::string error;
    ASSERT_TRUE(BulletinRenderer::RenderCodes(options, codes, error)) << error;
    const std::string rendered = ReadFile("air.wav");
    const std::string ring = ThroughTheSoundRing(options, codes);
    const int block = SamplesPerCharacter(c.mode == kModeAscii ? 8 : 5, 8000, c.baud);
    EXPECT_EQ(rendered.size(), 44u + 2u * block * codes.size()) << c.baud;
    EXPECT_TRUE(rendered == ring) << c.baud << " baud: " << FirstDifference(rendered, ring);
  }
}

TEST_F(BulletinRendererTest, AsciiGoesOutWithEightBitsAndTwoStopBits) {
  std::string error;
  ASSERT_TRUE(BulletinRenderer::Render(Options(kModeAscii, 110), error)) << error;
  EXPECT_EQ(Decode("-M 2125 -S 2295 -8 --stopbits 2 -f air.wav 110"), kBulletin);
}

TEST_F(BulletinRendererTest, ACommandLineIsCheckedBeforeAnythingIsWritten) {
  struct Row {
    std::vector<std::string> args;
    const char* error;
  };
  const Row rows[] = {
      {{"in.txt"}, "give one INPUT and one OUTPUT file"},
      {{"--mode", "baudot", "a", "b"}, "unknown mode \"baudot\""},
      {{"--baud", "fast", "a", "b"}, "--baud needs a number, not \"fast\""},
      {{"--space", "5000", "a", "b"}, "--space 5000 is out of range"},
      {{"--shift", "170", "a", "b"}, "unknown option --shift"},
      {{"a", "b", "--mark"}, "--mark needs a value"},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_FALSE(BulletinRenderer::ParseArguments(row.args, error).has_value());
    EXPECT_EQ(error, row.error);
  }
  std::string error;
  const auto options = BulletinRenderer::ParseArguments(
      {"--mode", "telex", "--baud", "50", "--mark", "1275", "--space", "1445", "in", "out"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->mode, kModeTelex);
  EXPECT_EQ(options->baud, 50.0);
  EXPECT_EQ(options->markTone, 1275.0);
  EXPECT_EQ(options->output, "out");

  RenderOptions missing = Options(kModeMilitary, 45.45);
  missing.input = "none.txt";
  EXPECT_FALSE(BulletinRenderer::Render(missing, error));
  EXPECT_EQ(error, "cannot read none.txt");
  EXPECT_EQ(ReadFile("air.wav"), "");
  RenderOptions nowhere = Options(kModeMilitary, 45.45);
  nowhere.output = "no-such-directory/air.wav";
  EXPECT_FALSE(BulletinRenderer::Render(nowhere, error));
  EXPECT_EQ(error, "cannot write no-such-directory/air.wav: Error writing to wave file");
}

TEST(BulletinRendererArguments, TheRateFollowsTheStationsRuleAndReadsWithAPoint) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  for (const char* rate : {"0", "-5", "0.5", "1e-300", "56001", "inf", "nan"}) {
    std::string error;
    EXPECT_FALSE(BulletinRenderer::ParseArguments({"--baud", rate, "a", "b"}, error).has_value());
    EXPECT_EQ(error, std::string("--baud ") + rate + " is out of range");
  }
  const std::pair<const char*, double> good[] = {
      {"1", 1.0}, {"45.45", 45.45}, {"1200", 1200.0}, {"56000", 56000.0}};
  for (const auto& [text, rate] : good) {
    std::string error;
    const auto options = BulletinRenderer::ParseArguments({"--baud", text, "a", "b"}, error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->baud, rate);
  }
  std::string error;
  const auto options = BulletinRenderer::ParseArguments({"--mark", "1275.5", "a", "b"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->markTone, 1275.5);
}

// The program's output and exit status for a command line.
std::pair<std::string, int> RunRender(const std::string& arguments) {
  std::FILE* pipe = ::popen((std::string(KESTRIX_RENDER_BINARY) + " " + arguments).c_str(), "r");
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    out += buffer;
  }
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(KestrixRenderProgram, HelpPrintsTheUsageOnStandardOutputAndSucceeds) {
  for (const char* help : {"--help", "-h", "--mode ascii --help"}) {
    EXPECT_EQ(RunRender(help), std::pair(BulletinRenderer::Usage(), 0)) << help;
  }
  EXPECT_EQ(RunRender("--baud 2>/dev/null").second, 2);
}

}  // namespace
}  // namespace kestrix
