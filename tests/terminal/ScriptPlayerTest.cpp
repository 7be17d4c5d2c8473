// The terminal's player in process, on a recording device that finishes each
// buffer at once: the audio it counts is, frame for frame, what a render of
// the same script writes, start pauses and delay passes included.
#include "terminal/ScriptPlayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/RecordingWaveOut.h"
#include "script/ScriptFile.h"
#include "script/ScriptRenderer.h"
#include "script/ScriptRun.h"

namespace sondrel {
namespace {

ScriptFile Script(const std::string& text) { return ScriptFile(std::vector<uint8_t>(text.begin(), text.end())); }

struct CountCase {
  const char* name;
  const char* script;
  int32_t rate;
};

class AudioCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(AudioCountTest, CountsTheFramesARenderWrites) {
  SignalOptions options;
  options.rate = GetParam().rate;
  ScriptFile rendered = Script(GetParam().script);
  ScriptRenderer renderer(rendered, RenderSettings{60, options});
  const uint64_t written = renderer.Render(2, ScriptRenderer::SampleWriter<int16_t>([](const int16_t*, size_t) {}));

  RecordingWaveOut waveOut;
  waveOut.deviceNames = {"Test"};
  waveOut.finishAtOnce = true;
  const std::atomic<int> noSignal{0};
  ScriptPlayer player(waveOut, 0, options, false, noSignal);
  ScriptFile played = Script(GetParam().script);
  ScriptRun(played, player).Run();
  EXPECT_EQ(player.AudioFrames(), written);
  EXPECT_GT(written, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, AudioCountTest,
    ::testing::Values(CountCase{"ToneWithItsPause", "tone 1000 0.5 -6 0\r\nend\r\n", 44100},
                      CountCase{"SweepWithoutPause", "sweep 100 1000 0.3 -6 0\r\nend\r\n", 44100},
                      CountCase{"NoiseToTheFrame", "noise pink 0.37 -20\r\nend\r\n", 48000},
                      CountCase{"DelayPasses", "delay 0.35\r\ntone 440 0.2 -6 1 L\r\nend\r\n", 44100},
                      CountCase{"AFrequencyWithAnOddBuffer", "tone 997 0.25 -6 2\r\nend\r\n", 96000}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
