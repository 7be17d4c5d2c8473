// The engine and the real SDL output together: a one-shot constant tone
// recorded by SDL's disk driver is the synthesized buffer, loop after loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "platform/SdlWaveOut.h"
#include "tests/engine/FakeEngineWindow.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

// Sleeps for real, as the window does, so SDL's thread gets to play.
class SleepingWindow : public FakeEngineWindow {
 public:
  void Sleep(int milliseconds) override {
    FakeEngineWindow::Sleep(milliseconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

TEST(PlaybackSdlTest, OneShotToneReachesTheDeviceExactly) {
  const fs::path output = fs::temp_directory_path() / ("sondrel-play-" + std::to_string(getpid()) + ".raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  {
    SdlWaveOut waveOut;
    SleepingWindow window;
    window.panel.fEdit = "1000";
    window.panel.Duration = "0.05";  // 5 buffers of 441 frames
    window.panel.Loop = false;
    window.panel.Amplitude = "-6";
    Playback playback(waveOut, window);
    playback.StartTone();
    EXPECT_FALSE(playback.Playing);
    EXPECT_EQ(window.caption, "ON");
  }
  PcmBuffer expected;
  PanelState state;
  state.Amplitude = "-6";
  SynthesizeSignal(state, {}, expected);

  std::ifstream in(output, std::ios::binary);
  const std::vector<uint8_t> recorded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  fs::remove(output);
  // Silence until the buffer was queued, the buffer five times, then silence.
  std::vector<uint8_t> tone;
  for (int loop = 0; loop < 5; ++loop) tone.insert(tone.end(), expected.Data(), expected.Data() + expected.Size());
  const auto start = std::search(recorded.begin(), recorded.end(), tone.begin(), tone.end());
  ASSERT_NE(start, recorded.end());
  EXPECT_TRUE(std::all_of(recorded.begin(), start, [](uint8_t byte) { return byte == 0; }));
  EXPECT_TRUE(std::all_of(start + tone.size(), recorded.end(), [](uint8_t byte) { return byte == 0; }));
}

// Noise longer than its period: the whole period, then its start up to the
// duration's last frame, then silence.
TEST(PlaybackSdlTest, OneShotNoiseEndsOnItsDurationsLastFrame) {
  const fs::path output = fs::temp_directory_path() / ("sondrel-noise-" + std::to_string(getpid()) + ".raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  PanelState state;
  state.SignalType = SignalPage::Noise;
  state.NoiseColour = kPink;
  state.Amplitude = "-20";
  state.Duration = "6.5";  // 286650 frames: one period of 262144 and 24506 more
  {
    SdlWaveOut waveOut;
    SleepingWindow window;
    window.panel = state;
    window.panel.Loop = false;
    Playback playback(waveOut, window);
    playback.StartTone();
    EXPECT_FALSE(playback.Playing);
  }
  PcmBuffer period;
  SynthesizeSignal(state, {}, period);
  std::vector<uint8_t> noise(period.Data(), period.Data() + period.Size());
  noise.insert(noise.end(), period.Data(), period.Data() + 24506 * 2);

  std::ifstream in(output, std::ios::binary);
  const std::vector<uint8_t> recorded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  fs::remove(output);
  const auto start = std::search(recorded.begin(), recorded.end(), noise.begin(), noise.begin() + 4096);
  ASSERT_NE(start, recorded.end());
  ASSERT_GE(recorded.end() - start, static_cast<std::ptrdiff_t>(noise.size()));
  EXPECT_TRUE(std::equal(noise.begin(), noise.end(), start));
  EXPECT_TRUE(std::all_of(start + static_cast<std::ptrdiff_t>(noise.size()), recorded.end(),
                          [](uint8_t byte) { return byte == 0; }));
}

// A one-hour sweep plays while most of it is still being synthesized; the
// device hears its true start, and a stop then ends the synthesis too.
TEST(PlaybackSdlTest, AnHourLongSweepPlaysAtOnceAndStopsCleanly) {
  const fs::path output = fs::temp_directory_path() / ("sondrel-hour-" + std::to_string(getpid()) + ".raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  unsetenv("SDL_DISKAUDIODELAY");  // in real time
  SleepingWindow window;
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "20";
  window.panel.fFinal = "20000";
  window.panel.Duration = "3600";
  window.panel.WaveForm = kTriangular;
  window.panel.Loop = true;
  {
    SdlWaveOut waveOut;
    Playback playback(waveOut, window);
    playback.StartTone();
    ASSERT_TRUE(playback.Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    playback.CheckDevice();  // neither the device nor the synthesis has failed
    playback.StopTone();
    EXPECT_FALSE(playback.Playing);
  }
  // The first 4410 frames of the hour (mono: both channels on, in phase),
  // as the definition of every sample gives them.
  std::ifstream in(output, std::ios::binary);
  const std::vector<uint8_t> recorded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  fs::remove(output);
  SignalRun hour(window.panel);
  std::vector<uint8_t> expected;
  for (int32_t n = 0; n < 4410; ++n) {
    const auto sample = static_cast<uint16_t>(std::clamp(hour.ComputeSample(n), -32767, 32767));
    expected.push_back(static_cast<uint8_t>(sample & 0xFF));
    expected.push_back(static_cast<uint8_t>(sample >> 8));
  }
  EXPECT_NE(std::search(recorded.begin(), recorded.end(), expected.begin(), expected.end()), recorded.end());
}

}  // namespace
}  // namespace sondrel
