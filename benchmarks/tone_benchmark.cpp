// Cost of one five-bit character block (1320 samples at 8000/s, 45.45 baud)
// against the sound card's 8000 samples a second.

#include <benchmark/benchmark.h>

#include <vector>

#include "station/audio/msk_generator.h"

namespace kestrix {
namespace {

void BM_GenerateCharacterBlock(benchmark::State& state) {
  constexpr int kRate = 8000;
  const int count = SamplesPerCharacter(5, kRate, 45.45);
  ToneState tone{.halfShift = 85.0};
  CMSKGen gen{tone};
  gen.Init(kRate, 2210.0, 45.45);
  CGenerators gain;
  std::vector<double> buffer(count);
  int code = 1;
  for (auto _ : state) {
    gen.GenerateCharacter(buffer.data(), count, code, 5);
    gain.ApplyGain(count, buffer.data(), CGenerators::kGain);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
    code = code % 31 + 1;
  }
  const auto samples = static_cast<double>(state.iterations()) * count;
  state.SetItemsProcessed(state.iterations() * count);
  // Seconds of audio made per second: how far ahead of real time.
  state.counters["audio_s"] = benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GenerateCharacterBlock);

}  // namespace
}  // namespace kestrix
