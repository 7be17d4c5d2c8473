// Frames per second of SynthesizeSignal. Prints figures; nothing is asserted.
#include <benchmark/benchmark.h>

#include "engine/Synthesis.h"

namespace sondrel {
namespace {

void SynthesizeSweep(benchmark::State& bench, int32_t wave) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = "20";
  state.fFinal = "20000";
  state.Duration = "60";
  state.WaveForm = wave;
  const ChannelGains stereo{1, 1, -1};
  int64_t frames = 0;
  for (auto _ : bench) {
    PcmBuffer buffer;
    SynthesizeSignal(state, stereo, buffer);
    benchmark::DoNotOptimize(buffer.Data());
    frames += static_cast<int64_t>(buffer.Size() / 4);
  }
  bench.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_SineSweep60sStereo(benchmark::State& bench) { SynthesizeSweep(bench, kSine); }
void BM_TriangleSweep60sStereo(benchmark::State& bench) { SynthesizeSweep(bench, kTriangular); }
void BM_SquareSweep60sStereo(benchmark::State& bench) { SynthesizeSweep(bench, kSquare); }

void BM_Constant1000Hz(benchmark::State& bench) {
  PanelState state;
  int64_t frames = 0;
  for (auto _ : bench) {
    PcmBuffer buffer;
    SynthesizeSignal(state, {}, buffer);
    benchmark::DoNotOptimize(buffer.Data());
    frames += static_cast<int64_t>(buffer.Size() / 2);
  }
  bench.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SineSweep60sStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangleSweep60sStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SquareSweep60sStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Constant1000Hz)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sondrel
