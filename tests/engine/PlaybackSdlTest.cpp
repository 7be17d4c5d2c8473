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

}  // namespace
}  // namespace sondrel
