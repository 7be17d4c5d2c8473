// Sound through a real sound server: the test command starts a private
// PulseAudio server (then a PipeWire session) with two null sinks; these
// tests play through Sondrel's own stream into one of them and record its
// monitor with parec.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "engine/Playback.h"
#include "platform/PulseWaveOut.h"
#include "platform/SoundOutput.h"
#include "tests/engine/FakeEngineWindow.h"
#include "tests/support/MonitorRecording.h"

namespace sondrel {
namespace {

using Clock = std::chrono::steady_clock;
// Sleeps for real, as the window does.
class SleepingWindow : public FakeEngineWindow {
 public:
  void Sleep(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

// One channel of a recording, in frames of 44100 per second, judged in 10 ms
// blocks: blocks of silence between the first and the last sound are gaps,
// which the path must not leave.
struct Channel {
  static constexpr size_t kBlock = 441;  // 10 ms
  std::vector<int16_t> samples;

  size_t FirstLoud() const {
    for (size_t i = 0; i < samples.size(); ++i) {
      if (std::abs(samples[i]) > 200) return i;
    }
    return samples.size();
  }
  size_t LastLoud() const {
    for (size_t i = samples.size(); i > 0; --i) {
      if (std::abs(samples[i - 1]) > 200) return i - 1;
    }
    return 0;
  }
  bool Silent() const { return FirstLoud() == samples.size(); }
  // The RMS of each 10 ms block from the first sound to the last.
  std::vector<double> BlockRms() const {
    std::vector<double> blocks;
    if (Silent()) return blocks;
    for (size_t start = FirstLoud(); start <= LastLoud(); start += kBlock) {
      const size_t end = std::min(start + kBlock, LastLoud() + 1);
      double sum = 0;
      for (size_t i = start; i < end; ++i) sum += double(samples[i]) * samples[i];
      blocks.push_back(std::sqrt(sum / double(end - start)));
    }
    return blocks;
  }
  // Silent blocks between the first and the last sound.
  size_t Gaps() const {
    const std::vector<double> blocks = BlockRms();
    return static_cast<size_t>(std::count_if(blocks.begin(), blocks.end(), [](double rms) { return rms < 50; }));
  }
  // Seconds of sound, gaps left out.
  double Seconds() const {
    if (Silent()) return 0;
    return (LastLoud() - FirstLoud() + 1) / 44100.0 - Gaps() * (kBlock / 44100.0);
  }
  // From the median period between upward zero crossings, interpolated
  // between samples: a gap changes one period, not the median.
  double Frequency() const {
    std::vector<double> periods;
    double last = -1;
    for (size_t i = FirstLoud() + 1; i <= LastLoud(); ++i) {
      if (samples[i - 1] < 0 && samples[i] >= 0) {
        const double at = (i - 1) + samples[i - 1] / static_cast<double>(samples[i - 1] - samples[i]);
        if (last >= 0) periods.push_back(at - last);
        last = at;
      }
    }
    if (periods.empty()) return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return 44100.0 / periods[periods.size() / 2];
  }
  // The sine's level relative to full scale: the median of the sounding
  // blocks' RMS, as a peak.
  double LevelDb() const {
    std::vector<double> blocks = BlockRms();
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(), [](double rms) { return rms < 50; }), blocks.end());
    if (blocks.empty()) return -200;
    std::nth_element(blocks.begin(), blocks.begin() + blocks.size() / 2, blocks.end());
    return 20 * std::log10(blocks[blocks.size() / 2] * std::sqrt(2.0) / 32767);
  }
};

// Left and right channels of a recording at 44100 frames a second.
class Recorder : public testing_support::MonitorRecorder {
 public:
  Recorder(const std::string& sink, const std::string& file) : MonitorRecorder(sink, file, 44100) {}
  std::pair<Channel, Channel> Channels() {
    const std::vector<int16_t> samples = Samples();
    std::pair<Channel, Channel> channels;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
      channels.first.samples.push_back(samples[i]);
      channels.second.samples.push_back(samples[i + 1]);
    }
    return channels;
  }
};

class PulseAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "no test PulseAudio server (scripts/test.sh starts one)";
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    // SONDREL_KEEP_RECORDINGS=1 keeps the recordings for a look afterwards.
    folder.setAutoRemove(std::getenv("SONDREL_KEEP_RECORDINGS") == nullptr);
    waveOut = std::make_unique<SoundOutput>();
    playback = std::make_unique<Playback>(*waveOut, window);
  }
  void TearDown() override {
    playback.reset();
    waveOut.reset();
  }

  int32_t Device(const std::string& description) {
    for (uint32_t device = 0; device < waveOut->GetNumDevs(); ++device) {
      if (waveOut->GetDeviceName(device) == description) return static_cast<int32_t>(device);
    }
    return -2;
  }
  std::string File(const char* name) const { return folder.filePath(name).toStdString(); }

  QTemporaryDir folder{"/tmp/sondrel-pulse-test-XXXXXX"};
  SleepingWindow window;
  std::unique_ptr<SoundOutput> waveOut;
  std::unique_ptr<Playback> playback;
};

TEST_F(PulseAudioTest, ListsTheDefaultOutputThenTheSinksInOrder) {
  ASSERT_EQ(waveOut->GetNumDevs(), 3u);
  EXPECT_EQ(waveOut->GetDeviceName(0), "Default output (Sondrel-Test-First)");
  EXPECT_EQ(waveOut->GetDeviceName(1), "Sondrel-Test-First");
  EXPECT_EQ(waveOut->GetDeviceName(2), "Sondrel-Test-Second");
}

// The first entry plays where the desktop plays, not on the first sink.
TEST_F(PulseAudioTest, TheDefaultOutputFollowsTheServersDefault) {
  ASSERT_EQ(std::system("pactl set-default-sink sondrel_second"), 0);
  Recorder first("sondrel_first", File("first.raw"));
  Recorder second("sondrel_second", File("second.raw"));
  window.panel.WaveDevice = 0;
  window.panel.Duration = "0.5";
  window.panel.Loop = false;
  playback->StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int restored = std::system("pactl set-default-sink sondrel_first");
  EXPECT_NEAR(second.Channels().first.Seconds(), 0.5, 0.1);
  EXPECT_TRUE(first.Channels().first.Silent());
  EXPECT_EQ(restored, 0);
}

TEST_F(PulseAudioTest, OneSecondTonePlaysOnTheChosenSinkOnly) {
  window.panel.WaveDevice = Device("Sondrel-Test-Second");
  ASSERT_EQ(window.panel.WaveDevice, 2);
  window.panel.fEdit = "1000";
  window.panel.Amplitude = "-6";
  window.panel.Duration = "1";
  window.panel.Loop = false;
  Recorder first("sondrel_first", File("first.raw"));
  Recorder second("sondrel_second", File("second.raw"));
  playback->StartTone();  // returns when the tone has played
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const Channel tone = second.Channels().first;
  const auto [otherLeft, otherRight] = first.Channels();
  EXPECT_EQ(tone.Gaps(), 0u);
  EXPECT_NEAR(tone.Seconds(), 1.0, 0.1);
  EXPECT_NEAR(tone.Frequency(), 1000.0, 1.0);
  EXPECT_NEAR(tone.LevelDb(), -6.0, 0.5);
  EXPECT_TRUE(otherLeft.Silent());
  EXPECT_TRUE(otherRight.Silent());
}

TEST_F(PulseAudioTest, LeftOnlyToneLeavesTheRightChannelSilent) {
  Recorder recorder("sondrel_first", File("left.raw"));
  window.panel.WaveDevice = Device("Sondrel-Test-First");
  window.panel.fEdit = "440";
  window.panel.Duration = "0.5";
  window.panel.Loop = false;
  playback->LeftGain = 1;
  playback->RightGain = 0;
  playback->StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto [left, right] = recorder.Channels();
  EXPECT_NEAR(left.Frequency(), 440.0, 1.0);
  EXPECT_NEAR(left.Seconds(), 0.5, 0.1);
  EXPECT_TRUE(right.Silent());
}

TEST_F(PulseAudioTest, StoppingALoopingToneEndsTheOutputAtOnce) {
  window.panel.WaveDevice = Device("Sondrel-Test-Second");
  window.panel.fEdit = "2000";
  window.panel.Loop = true;
  Recorder recorder("sondrel_second", File("stop.raw"));
  playback->StartTone();  // returns at once: the device loops the buffer
  const Clock::time_point on = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  playback->StopTone();
  const double heldFor = std::chrono::duration<double>(Clock::now() - on).count();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const Channel tone = recorder.Channels().first;
  ASSERT_FALSE(tone.Silent());
  EXPECT_EQ(tone.Gaps(), 0u);
  // What the server received never runs on past the stop by more than 100 ms.
  EXPECT_LT(tone.Seconds(), heldFor + 0.1);
  EXPECT_GT(tone.Seconds(), heldFor - 0.2);
}

// The server's own account of running dry: sound still being synthesized
// when the server has played what it had counts once; the end of a buffer
// played out counts nothing.
TEST_F(PulseAudioTest, TheServerRunningOutOfSoundStillToComeIsCounted) {
  PulseWaveOut* server = waveOut->ServerPath();
  ASSERT_NE(server, nullptr);
  constexpr uint32_t kRate = 44100, kFrameBytes = 4;
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, kRate, kRate * kFrameBytes, kFrameBytes, 16, 0};
  std::vector<uint8_t> sound(size_t{3} * kRate * kFrameBytes, 0x40);
  std::atomic<size_t> ready{size_t{5} * kRate * kFrameBytes / 2};  // 2.5 s: past the 2 s prebuffer
  WAVEHDR header;
  header.lpData = sound.data();
  header.dwBufferLength = static_cast<uint32_t>(sound.size());
  header.dwLoops = 1;
  header.lpReady = &ready;
  const uint64_t before = server->Starvations();
  HWAVEOUT handle = 0;
  ASSERT_EQ(server->Open(&handle, Device("Sondrel-Test-Second"), format), "");
  ASSERT_EQ(server->PrepareHeader(handle, &header), "");
  ASSERT_EQ(server->Write(handle, &header), "");
  for (int waited = 0; waited < 100 && server->Starvations() == before; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(server->Starvations(), before + 1);
  ready = sound.size();
  for (int waited = 0; waited < 100 && (header.dwFlags & WHDR_DONE) == 0; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_NE(header.dwFlags & WHDR_DONE, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(server->Starvations(), before + 1);
  server->UnprepareHeader(handle, &header);
  server->Close(handle);
}

}  // namespace
}  // namespace sondrel
