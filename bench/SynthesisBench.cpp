// Frames per second of the synthesis: the extended-precision reference and
// the fast synthesizer the program uses, side by side. Prints figures;
// nothing is asserted. Wall-clock time, since the fast path uses every core.
#include <benchmark/benchmark.h>

#include "engine/Synthesis.h"

namespace sondrel {
namespace {

using Synthesizer = void (*)(const PanelState&, const ChannelGains&, PcmBuffer&);

PanelState Sweep60s(int32_t wave) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = "20";
  state.fFinal = "20000";
  state.Duration = "60";
  state.WaveForm = wave;
  return state;
}

void Run(benchmark::State& bench, Synthesizer synthesize, const PanelState& state, const ChannelGains& gains) {
  int64_t frames = 0;
  for (auto _ : bench) {
    PcmBuffer buffer;
    synthesize(state, gains, buffer);
    benchmark::DoNotOptimize(buffer.Data());
    frames += static_cast<int64_t>(buffer.Size() / (StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign,
                                                                 state.AlwaysStereo) ? 4 : 2));
  }
  bench.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

const ChannelGains kStereo{1, 1, -1};

void BM_SineSweep60sStereo_Reference(benchmark::State& b) { Run(b, SynthesizeSignalReference, Sweep60s(kSine), kStereo); }
void BM_SineSweep60sStereo_Fast(benchmark::State& b) { Run(b, SynthesizeSignal, Sweep60s(kSine), kStereo); }
void BM_TriangleSweep60sStereo_Reference(benchmark::State& b) {
  Run(b, SynthesizeSignalReference, Sweep60s(kTriangular), kStereo);
}
void BM_TriangleSweep60sStereo_Fast(benchmark::State& b) { Run(b, SynthesizeSignal, Sweep60s(kTriangular), kStereo); }
void BM_SquareSweep60sStereo_Reference(benchmark::State& b) {
  Run(b, SynthesizeSignalReference, Sweep60s(kSquare), kStereo);
}
void BM_SquareSweep60sStereo_Fast(benchmark::State& b) { Run(b, SynthesizeSignal, Sweep60s(kSquare), kStereo); }
void BM_Constant1000Hz_Reference(benchmark::State& b) { Run(b, SynthesizeSignalReference, PanelState{}, {}); }
void BM_Constant1000Hz_Fast(benchmark::State& b) { Run(b, SynthesizeSignal, PanelState{}, {}); }

BENCHMARK(BM_SineSweep60sStereo_Reference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_SineSweep60sStereo_Fast)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_TriangleSweep60sStereo_Reference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_TriangleSweep60sStereo_Fast)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_SquareSweep60sStereo_Reference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_SquareSweep60sStereo_Fast)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Constant1000Hz_Reference)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Constant1000Hz_Fast)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace sondrel
