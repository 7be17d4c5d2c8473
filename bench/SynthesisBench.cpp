// The synthesis side by side in one run: the extended-precision reference,
// the fast synthesizer on one thread and on every core, for each wave form
// on a 60 s stereo sweep from 20 Hz to 20 kHz (and a 1000 Hz constant tone),
// and on one thread with the baseline x86-64 kernels where the processor
// also runs a faster variant; one period of pink noise (the program keeps
// each colour's shape after its first use, so its fast path is the scaling),
// of a four-tone multi-tone and of a long Hann tone burst.
// Google Benchmark times each; a closing table gives nanoseconds per frame
// (median wall time) and the ratios. Prints figures; nothing is asserted.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/FastSynthesis.h"
#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"

namespace sondrel {
namespace {

PanelState Sweep60s(int32_t wave) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = "20";
  state.fFinal = "20000";
  state.Duration = "60";
  state.WaveForm = wave;
  return state;
}

const ChannelGains kStereo{1, 1, -1};

PanelState AtRate(int32_t rate, PanelState state) {
  state.SampleRate = rate;
  return state;
}

PanelState Noise(int32_t colour, NoiseBand band = {}) {
  PanelState state;
  state.SignalType = SignalPage::Noise;
  state.NoiseColour = colour;
  state.Band = band;
  state.Amplitude = "-20";
  return state;
}

// Four whole-hertz tones (a period of 4410 frames at 44100 Hz).
PanelState FourTones() {
  PanelState state;
  state.SignalType = SignalPage::MultiTone;
  state.ToneList = "60:4,7000:1,1000:2,250";
  state.Amplitude = "-6";
  return state;
}

// A Hann burst that fills nearly all its period: 70000 frames of 70560.
PanelState LongBurst() {
  PanelState state;
  state.SignalType = SignalPage::Burst;
  state.BurstFrequency = "63";
  state.BurstCycles = "100";
  state.BurstPeriod = "1.6";
  state.Amplitude = "-6";
  return state;
}

// threads: 0 for the reference, otherwise the fast path's thread limit.
void Synthesize(benchmark::State& bench, const PanelState& state, const ChannelGains& gains, int threads,
                std::optional<KernelVariant> variant) {
  SetSynthesisThreadLimit(threads);
  ChooseKernelVariant(variant);
  const bool stereo = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, state.AlwaysStereo);
  int64_t frames = 0;
  for (auto _ : bench) {
    PcmBuffer buffer;
    if (threads == 0) {
      SynthesizeSignalReference(state, gains, buffer);
    } else {
      SynthesizeSignal(state, gains, buffer);
    }
    benchmark::DoNotOptimize(buffer.Data());
    frames += static_cast<int64_t>(buffer.Size() / (stereo ? 4 : 2));
  }
  SetSynthesisThreadLimit(0);
  ChooseKernelVariant(std::nullopt);
  bench.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kAvgIterations);
}

const int kCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

void Register() {
  struct Signal {
    const char* name;
    PanelState state;
    ChannelGains gains;
  };
  for (const Signal& signal : {Signal{"sine", Sweep60s(kSine), kStereo}, Signal{"square", Sweep60s(kSquare), kStereo},
                               Signal{"triangle", Sweep60s(kTriangular), kStereo},
                               Signal{"constant1000Hz", PanelState{}, ChannelGains{}},
                               Signal{"pinkNoise", Noise(kPink), kStereo},
                               Signal{"pinkBand", Noise(kPink, kSpeakerLevelBand), kStereo},
                               Signal{"multitone4", FourTones(), kStereo},
                               Signal{"burst", LongBurst(), kStereo},
                               Signal{"sine48000", AtRate(48000, Sweep60s(kSine)), kStereo},
                               Signal{"sine96000", AtRate(96000, Sweep60s(kSine)), kStereo}}) {
    struct Path {
      const char* name;
      int threads;
      std::optional<KernelVariant> variant;
    };
    std::vector<Path> paths{{"reference", 0, {}}, {"fast1", 1, {}}, {"fastAll", kCores, {}}};
    const bool kernels = signal.state.SignalType != SignalPage::Noise && signal.state.SignalType != SignalPage::MultiTone;
    if (kernels && SupportedKernelVariants().size() > 1) paths.push_back({"baseline1", 1, KernelVariant::Baseline});
    if (kernels && SupportedKernelVariants().size() > 2) paths.push_back({"avx2fma1", 1, KernelVariant::Avx2Fma});
    for (const Path& path : paths) {
      benchmark::RegisterBenchmark((std::string(signal.name) + "/" + path.name).c_str(),
                                   [signal, path](benchmark::State& bench) {
                                     Synthesize(bench, signal.state, signal.gains, path.threads, path.variant);
                                   })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    }
  }
}

// Keeps the medians for the closing table while the console shows every run.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name != "median") continue;
      const auto frames = run.counters.find("frames");
      if (frames == run.counters.end() || frames->second.value <= 0) continue;
      nsPerFrame_[run.run_name.function_name] = run.GetAdjustedRealTime() * 1e6 / frames->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintTable() const {
    std::printf("\nns per frame, median of 5 (%d cores; fastAll uses all of them; kernels: %s)\n", kCores,
                KernelVariantName(ActiveKernelVariant()));
    std::printf("%-16s %10s %10s %10s %12s %12s", "signal", "reference", "fast1", "fastAll", "ref/fast1", "ref/fastAll");
    const bool baseline = SupportedKernelVariants().size() > 1;
    if (baseline) std::printf(" %10s %12s", "baseline1", "ref/baseline1");
    const bool avx2 = SupportedKernelVariants().size() > 2;  // beside the AVX-512 kernels
    if (avx2) std::printf(" %10s %12s", "avx2fma1", "ref/avx2fma1");
    std::printf("\n");
    for (const char* signal : {"sine", "square", "triangle", "constant1000Hz", "pinkNoise", "pinkBand", "multitone4", "burst", "sine48000", "sine96000"}) {
      const double reference = Get(signal, "reference"), one = Get(signal, "fast1"), all = Get(signal, "fastAll");
      if (reference <= 0 || one <= 0 || all <= 0) continue;  // left out by --benchmark_filter
      std::printf("%-16s %10.2f %10.2f %10.2f %11.1fx %11.1fx", signal, reference, one, all, reference / one,
                  reference / all);
      const double base = Get(signal, "baseline1");
      if (baseline && base > 0) std::printf(" %10.2f %12.1fx", base, reference / base);
      const double avx2Kernels = Get(signal, "avx2fma1");
      if (avx2 && avx2Kernels > 0) std::printf(" %10.2f %12.1fx", avx2Kernels, reference / avx2Kernels);
      std::printf("\n");
    }
  }

 private:
  double Get(const std::string& signal, const std::string& path) const {
    const auto found = nsPerFrame_.find(signal + "/" + path);
    return found == nsPerFrame_.end() ? 0 : found->second;
  }
  std::map<std::string, double> nsPerFrame_;
};

// How long ON takes to have a 3600 s stereo sweep's start ready for the
// device (the rest is synthesized while it plays): median and range of 5.
void PrintHourLongStart() {
  std::printf("\nstart of a 3600 s stereo sweep, ms until the device can play (median, min-max of 5)\n");
  for (const auto& [name, wave] : {std::pair{"sine", kSine}, std::pair{"square", kSquare}, std::pair{"triangle", kTriangular}}) {
    PanelState state = Sweep60s(wave);
    state.Duration = "3600";
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
      PcmBuffer buffer;
      const auto start = std::chrono::steady_clock::now();
      BackgroundSynthesis synthesis(state, kStereo, buffer);
      synthesis.WaitForFrames(kHeadStartSeconds * 44100);
      times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-16s %8.1f  (%.1f-%.1f)\n", name, times[2], times.front(), times.back());
  }
}

// The first ON of a noise colour computes its shape: ms for brown noise,
// which nothing before has used, then for a second ON.
void PrintNoiseFirstStart() {
  for (const char* which : {"first", "second"}) {
    PcmBuffer buffer;
    const auto start = std::chrono::steady_clock::now();
    SynthesizeSignal(Noise(kBrown), kStereo, buffer);
    std::printf("brown noise, %s ON: %.1f ms until its period is ready\n", which,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
}

}  // namespace
}  // namespace sondrel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  sondrel::PrintNoiseFirstStart();
  sondrel::Register();
  sondrel::TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  sondrel::PrintHourLongStart();
  benchmark::Shutdown();
  return 0;
}
