// kestrix-render's whole path for a 10 KB bulletin (encoder, tones, level,
// WAV file) and the BPSK31 modulator, each against real time.
// benchmarks/render_vs_minimodem.sh times the program against minimodem.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "station/psk31/bpsk31_modulator.h"
#include "station/render/bulletin_renderer.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

// Lines of about 60 characters of the words of a weather bulletin, up to
// `bytes` in all.
std::string GeneratedBulletin(std::size_t bytes) {
  static const char* const kWords[] = {
      "THE",        "QUICK", "BROWN", "FOX",    "JUMPS", "OVER", "THE", "LAZY", "DOG",
      "0123456789", "CQ",    "DE",    "N0CALL", "WX",    "12/3", "-5C", "WIND", "270/15."};
  std::string text;
  std::string line;
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    line += kWords[i % std::size(kWords)];
    line += ' ';
    if (line.size() >= 60) {
      line.back() = '\n';
      text += line;
      line.clear();
    }
  }
  text.resize(bytes);
  return text;
}

void BM_RenderTenKilobyteBulletin(benchmark::State& state) {
  testing::TempWorkingDirectory dir;
  testing::WriteFile("bulletin.txt", GeneratedBulletin(10240));
  RenderOptions options;
  options.input = "bulletin.txt";
  options.output = "bulletin.wav";
  std::string error;
  for (auto _ : state) {
    if (!BulletinRenderer::Render(options, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  // 16-bit samples at 8000 per second after the 44-byte header.
  const double audioSeconds =
      static_cast<double>(std::filesystem::file_size("bulletin.wav") - 44) / 2 / 8000;
  state.counters["audio_s"] = audioSeconds;
  state.counters["x_real_time"] = benchmark::Counter(
      audioSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// The device writes on its own thread: wall-clock time is what counts.
BENCHMARK(BM_RenderTenKilobyteBulletin)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reversals and steady carrier alike, as text in varicode sends them.
void BM_Bpsk31Symbols(benchmark::State& state) {
  Bpsk31Modulator modulator(1500.0, 6702.0);
  std::vector<double> symbol(Bpsk31Modulator::kSymbolSamples);
  unsigned bits = 0xB5u;
  for (auto _ : state) {
    modulator.Symbol((bits & 1u) != 0, symbol.data());
    bits = bits >> 1 | (bits & 1u) << 7;
    benchmark::DoNotOptimize(symbol.data());
    benchmark::ClobberMemory();
  }
  const double seconds = static_cast<double>(state.iterations()) * Bpsk31Modulator::kSymbolSamples /
                         Bpsk31Modulator::kSampleRate;
  state.counters["x_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Bpsk31Symbols);

}  // namespace
}  // namespace kestrix
