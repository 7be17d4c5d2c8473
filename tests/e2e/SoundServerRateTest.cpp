// The signal at the output device's own rate reaches the device unchanged,
// on whichever sound server the test command started (PulseAudio, whose
// null sinks run at 44100 frames a second, or PipeWire, at 48000): a looping
// stereo sweep is recorded from the sink's monitor at the device's rate and
// must hold the synthesized samples. At the default 44100 on a 48000 Hz
// device the main window says that the server resamples.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "panel/Generator.h"
#include "platform/SoundOutput.h"
#include "tests/engine/FakeEngineWindow.h"
#include "tests/support/MonitorRecording.h"

namespace sondrel {
namespace {

class SleepingWindow : public FakeEngineWindow {
 public:
  void Sleep(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

QString OutputOf(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(10000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

class SoundServerRateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  }
  int32_t Device(const SoundOutput& waveOut, const std::string& description) {
    auto& list = const_cast<SoundOutput&>(waveOut);
    for (uint32_t device = 0; device < list.GetNumDevs(); ++device) {
      if (list.GetDeviceName(device) == description) return static_cast<int32_t>(device);
    }
    return -2;
  }
  QTemporaryDir folder{"/tmp/sondrel-rate-test-XXXXXX"};
};

// The best of the places where the looping buffer stands whole in the
// recording, and how many of its samples differ there. The first pass may
// be spoiled by the server rewinding what it had rendered ahead when the
// stream began, so every pass counts. A dropout of a busy server (a run of
// silence in place of samples) is told apart from a changed sample.
struct Match {
  bool found = false;
  size_t differing = 0;
  bool onlyDropouts = true;
};

Match FindBuffer(const std::vector<int16_t>& recording, const std::vector<int16_t>& buffer) {
  Match best;
  const size_t probe = buffer.size() / 2;  // a stretch from the middle locates a pass
  const size_t probeLength = 400;
  for (size_t at = probe; at + probeLength <= recording.size(); ++at) {
    if (std::memcmp(&recording[at], &buffer[probe], probeLength * 2) != 0) continue;
    const size_t start = at - probe;
    if (start + buffer.size() > recording.size()) break;
    Match match;
    match.found = true;
    for (size_t i = 0; i < buffer.size(); ++i) {
      if (recording[start + i] == buffer[i]) continue;
      ++match.differing;
      match.onlyDropouts = match.onlyDropouts && recording[start + i] == 0;
    }
    if (!best.found || match.differing < best.differing) best = match;
    if (best.differing == 0) break;
  }
  return best;
}

TEST_F(SoundServerRateTest, AtTheDevicesRateTheSamplesReachItUnchanged) {
  SoundOutput waveOut;
  ASSERT_TRUE(waveOut.StartError().empty()) << waveOut.StartError();
  const int32_t device = Device(waveOut, "Sondrel-Test-Second");
  ASSERT_GT(device, 0);
  const int32_t rate = waveOut.GetDeviceRate(device);
  ASSERT_GT(rate, 0) << "the sound system does not say the device's rate";

  SleepingWindow window;
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "100";
  window.panel.fFinal = "1000";
  window.panel.Duration = "0.5";
  window.panel.Amplitude = "-6";
  window.panel.AlwaysStereo = true;
  window.panel.Loop = true;
  window.panel.WaveDevice = device;
  window.panel.SampleRate = rate;
  PcmBuffer expected;
  SynthesizeSignal(window.panel, {1, 1, -1}, expected);
  std::vector<int16_t> buffer(expected.Size() / 2);
  std::memcpy(buffer.data(), expected.Data(), expected.Size());

  testing_support::MonitorRecorder recorder("sondrel_second", folder.filePath("monitor.raw").toStdString(), rate);
  Playback playback(waveOut, window);
  playback.LeftGain = 1;
  playback.RightGain = 1;
  playback.PhaseSign = -1;
  playback.StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  const QString streams = OutputOf("pactl", {"list", "sink-inputs"});
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // three passes of the sweep at least
  playback.StopTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Match match = FindBuffer(recorder.Samples(), buffer);
  ASSERT_TRUE(match.found) << "the sweep's samples are not in the recording; streams:\n" << streams.toStdString();
  EXPECT_TRUE(match.onlyDropouts) << match.differing << " samples were changed on their way";
  // The stream entered the graph at the device's rate, with nothing to resample.
  EXPECT_TRUE(streams.contains(QString("s16le 2ch %1Hz").arg(rate))) << streams.toStdString();
  EXPECT_EQ(match.differing, 0u) << "dropouts in the recording";
}

// At the default rate, on a device of another rate, the window says so.
TEST_F(SoundServerRateTest, TheWindowSaysWhenTheServerResamples) {
  SoundOutput waveOut;
  ASSERT_TRUE(waveOut.StartError().empty());
  TGenerator generator(waveOut);
  const int32_t rate = waveOut.GetDeviceRate(0);
  ASSERT_GT(rate, 0);
  generator.UpdateRateNote();
  if (rate == kFramesPerSecond) {
    EXPECT_TRUE(generator.RateNote == nullptr || generator.statusBar()->isHidden());
  } else {
    ASSERT_NE(generator.RateNote, nullptr);
    EXPECT_EQ(generator.RateNote->text(), QString("44100 Hz, resampled by the sound server to %1 Hz").arg(rate));
  }
  generator.ReadStoredOptions = [] { return StoredOptions{false, false, kDeviceRate, {}}; };  // the device's rate
  generator.UpdateRateNote();
  EXPECT_TRUE(generator.RateNote == nullptr || generator.statusBar()->isHidden());
  EXPECT_EQ(generator.ReadPanelState().SampleRate, rate);
}

}  // namespace
}  // namespace sondrel
