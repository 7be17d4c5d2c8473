// What a surround layout costs a render: the same 10 s sweep (out of phase,
// so that the stereo render has two channels too) rendered as 16-bit
// samples in Stereo and in each surround layout, written nowhere: frames a
// second as items. scripts/bench-layouts.sh turns them into time per frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/SpeakerLayout.h"
#include "script/ScriptFile.h"
#include "script/ScriptRenderer.h"

namespace sondrel {
namespace {

void RenderIn(benchmark::State& bench, SpeakerLayoutId layout) {
  const std::string text = "tone 1000 0.01 -6 0 R inv\r\nsweep 20 20000 10 -6 0\r\nend\r\n";
  uint64_t frames = 0;
  for (auto _ : bench) {
    ScriptFile file(std::vector<uint8_t>(text.begin(), text.end()));
    RenderSettings settings;
    settings.signal.speakers = layout;
    ScriptRenderer renderer(file, settings);
    const int channels = renderer.Channels();
    int64_t sum = 0;
    frames += renderer.Render(channels, ScriptRenderer::SampleWriter<int16_t>([&](const int16_t* samples, size_t count) {
      sum += samples[count * static_cast<size_t>(channels) - 1];
    }));
    benchmark::DoNotOptimize(sum);
  }
  bench.SetItemsProcessed(static_cast<int64_t>(frames));
}

}  // namespace
}  // namespace sondrel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const sondrel::SpeakerLayout& layout : sondrel::SpeakerLayouts()) {
    benchmark::RegisterBenchmark((std::string("render/") + layout.word).c_str(), sondrel::RenderIn, layout.id)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
