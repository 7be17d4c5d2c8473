// The playback path under load and in time, recorded from the null sinks'
// monitors of the sound server the test command started (PulseAudio, then
// PipeWire): a long sweep with every core busy arrives frame for frame
// beside paplay playing the same samples; a script's next line follows the
// last frame of the one before by its start pause; a retune is heard at once.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "platform/PlayFade.h"
#include "platform/PulseWaveOut.h"
#include "platform/SoundOutput.h"
#include "tests/engine/FakeEngineWindow.h"
#include "tests/support/MonitorRecording.h"

namespace sondrel {
namespace {

using namespace testing_support;

class RealTimeWindow : public FakeEngineWindow {
 public:
  void Sleep(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
  void SleepUntil(int milliseconds, const std::function<bool()>& done) override { SleepInSteps(milliseconds, done); }
};

class PlaybackPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
    folder.setAutoRemove(std::getenv("SONDREL_KEEP_RECORDINGS") == nullptr);
    ASSERT_TRUE(waveOut.StartError().empty()) << waveOut.StartError();
    for (uint32_t device = 0; device < waveOut.GetNumDevs(); ++device) {
      if (waveOut.GetDeviceName(device) == "Sondrel-Test-First") first = static_cast<int32_t>(device);
    }
    ASSERT_GT(first, 0);
    rate = waveOut.GetDeviceRate(first);
    ASSERT_GT(rate, 0);
    window.panel.AlwaysStereo = true;
    window.panel.Amplitude = "-6";
    window.panel.WaveDevice = first;
    window.panel.SampleRate = rate;
  }
  std::string File(const char* name) const { return folder.filePath(name).toStdString(); }

  QTemporaryDir folder{"/tmp/sondrel-path-test-XXXXXX"};
  SoundOutput waveOut;
  RealTimeWindow window;
  int32_t first = -1;
  int rate = 0;
};

// What a busy desktop does to a stream, on a recording of a minute: the
// server never runs out of Sondrel's sound, by its own account, and on
// PulseAudio every frame arrives. The private PipeWire session misses a
// cycle of its graph now and then, for one sink or one channel of it while
// the stream still holds two seconds of sound (a cycle of the right channel
// alone recorded as zeros, say), so there a glitch that paplay, playing the
// same samples on another sink in the same seconds, did not share must be
// no longer than such a cycle.
TEST_F(PlaybackPathTest, ALongSweepWithEveryCoreBusyArrivesFrameForFrame) {
#ifdef SONDREL_SANITIZE
  GTEST_SKIP() << "timing under load is proved by the build as used";
#endif
  constexpr int kSeconds = 60;
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "20";
  window.panel.fFinal = "20000";
  window.panel.Duration = std::to_string(kSeconds);
  window.panel.Loop = false;
  const std::vector<int16_t> signal = SynthesizedSamples(window.panel);
  const std::vector<int16_t> reference = PaddedForReference(signal, rate, 2);
  std::ofstream(File("reference.raw"), std::ios::binary)
      .write(reinterpret_cast<const char*>(reference.data()), static_cast<std::streamsize>(reference.size() * 2));

  PulseWaveOut* server = waveOut.ServerPath();
  ASSERT_NE(server, nullptr);
  const uint64_t starvedBefore = server->Starvations();
  MonitorRecorder ourRecorder("sondrel_first", File("ours.raw"), rate);
  MonitorRecorder theirRecorder("sondrel_second", File("paplay.raw"), rate);
  const long long oursAhead = FramesAhead(ourRecorder, theirRecorder);
  {
    BusyCores busy(std::thread::hardware_concurrency());
    const pid_t paplay = Spawn({"paplay", "--device=sondrel_second", "--raw", "--format=s16le",
                                "--rate=" + std::to_string(rate), "--channels=2", File("reference.raw")});
    ASSERT_NE(paplay, 0);
    Playback playback(waveOut, window);
    playback.StartTone();  // returns when the sweep has played
    EXPECT_EQ(WaitFor(paplay), 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const PathComparison ours = CompareWithSignal(ourRecorder.Samples(), signal, 2);
  const PathComparison theirs = CompareWithSignal(theirRecorder.Samples(), reference, 2);
  EXPECT_EQ(server->Starvations(), starvedBefore) << "the server ran out of Sondrel's sound";
  ASSERT_TRUE(ours.found) << "the sweep is not in the recording";
  EXPECT_TRUE(ours.reachedEnd);
  if (OnPipeWire()) {
    ASSERT_TRUE(theirs.found && theirs.reachedEnd) << "paplay's sweep is not whole in its recording";
    // Runs of missed cycles are spread over up to a tenth of a second.
    const auto unshared = GlitchesWhereTheReferencePlayedClean(ours, theirs, oursAhead, static_cast<size_t>(rate / 10));
    for (const PathComparison::Glitch& glitch : unshared) {
      EXPECT_LE(glitch.frames, kLongestGraphGlitch) << "at " << static_cast<double>(glitch.at) / rate << " s of the recording, "
                                            << "where paplay played clean (it glitched " << theirs.Glitches()
                                            << " times, Sondrel " << ours.Glitches() << ")";
    }
  } else {
    EXPECT_TRUE(ours.Exact()) << ours.dropouts << " dropouts (" << ours.silentFrames << " frames of silence), "
                              << ours.missingFrames << " frames missing; paplay: " << theirs.dropouts << " dropouts";
    // PulseAudio mixes a new stream in by rewinding the sink: the monitor
    // has passed on up to the sink's latency (the recorder's 10 ms) of it
    // already, as it does for paplay.
    EXPECT_LE(ours.lostAtStart, static_cast<size_t>(rate / 40));
  }
}

// Each line's start pause begins when the mix has taken the last frame of
// the line before: three tones, recorded, the silence between them within
// 20 ms of the 200 ms pause. (PulseAudio mixes a new stream in by rewinding
// the sink, up to its latency back: a silence may be a few milliseconds
// shorter than the pause.)
TEST_F(PlaybackPathTest, AScriptsNextLineFollowsTheLastFrameByItsStartPause) {
  QTemporaryDir config("/tmp/sondrel-path-config-XXXXXX");
  ASSERT_EQ(RunToEnd({"mkdir", "-p", config.filePath("sondrel").toStdString()}), 0);
  std::ofstream(config.filePath("sondrel/settings").toStdString(), std::ios::binary)
      << "[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nLongBuffer=dword:00000000\nSampleRate=dword:00000000\n";
  std::ofstream(File("tones.kvs"), std::ios::binary) << "tone 50 0.3 -6 0\r\ntone 50 0.3 -6 0\r\ntone 50 0.3 -6 0\r\nend\r\n";
  MonitorRecorder recorder("sondrel_first", File("script.raw"), rate);
  EXPECT_EQ(RunToEnd({"env", "XDG_CONFIG_HOME=" + config.path().toStdString(), SONDREL_EXECUTABLE, "--play",
                      File("tones.kvs"), "--device", "Sondrel-Test-First"}),
            0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  window.panel.fEdit = "50";
  std::vector<double> silences = SilencesBetween(recorder.Samples(), SynthesizedSamples(window.panel), 2, rate);
  ASSERT_EQ(silences.size(), 2u);
  std::sort(silences.begin(), silences.end());
  EXPECT_GE(silences.front(), 180.0);
  EXPECT_LE(silences.back(), 220.0);
}

// A retune stops the stream and starts another with the new values: the
// old sweep falls silent and the new one is heard within 100 ms of the edit,
// by the recording's own clock (its length when the edit is made).
TEST_F(PlaybackPathTest, ARetuneIsHeardWithinATenthOfASecond) {
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "1000";
  window.panel.fFinal = "1100";
  window.panel.Duration = "1";
  window.panel.Loop = true;
  MonitorRecorder recorder("sondrel_first", File("retune.raw"), rate);
  Playback playback(waveOut, window);
  playback.StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  window.panel.fInit = "3000";
  window.panel.fFinal = "3300";
  const std::vector<int16_t> after = SynthesizedSamples(window.panel);
  const size_t edit = recorder.FramesSoFar();
  playback.StopTone();
  playback.StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  playback.StopTone();
  const std::vector<int16_t> recording = recorder.Samples();
  const size_t start = SignalStartIn(recording, after, 2);
  ASSERT_NE(start, std::string::npos) << "the new sweep is not in the recording";
  EXPECT_LT(static_cast<double>(start) - static_cast<double>(edit), rate / 10.0);
}

// With a fade, the stream's first frames rise from 0 and a stop falls to 0
// over the fade's frames from a little after the frame heard when it came:
// the recording holds the signal, then exactly the faded frames of a stop at
// one frame, then silence.
TEST_F(PlaybackPathTest, AFadedToneRisesAtItsStartAndFallsAtItsStop) {
  window.panel.fEdit = "1000";
  window.panel.FadeMs = 10;
  const uint32_t fadeFrames = FadeFrames(10, rate);
  MonitorRecorder recorder("sondrel_first", File("fade.raw"), rate);
  Playback playback(waveOut, window);
  playback.StartTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  playback.StopTone();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<int16_t> recording = recorder.Samples();
  const std::vector<int16_t> period = SynthesizedSamples(window.panel);
  const size_t periodFrames = period.size() / 2;
  auto signal = [&](uint64_t frame, size_t channel) { return period[(frame % periodFrames) * 2 + channel]; };

  const size_t frames = recording.size() / 2;
  size_t last = frames;
  while (last > 0 && recording[(last - 1) * 2] == 0 && recording[(last - 1) * 2 + 1] == 0) --last;
  ASSERT_GT(last, 0u) << "nothing was recorded";
  // The start: the first recorded frames are the fade-in's.
  PlayFade rising(fadeFrames, kEndlessPlay);
  std::vector<int16_t> start(2 * fadeFrames * 2);
  for (size_t frame = 0; frame < 2 * fadeFrames; ++frame) {
    for (size_t channel = 0; channel < 2; ++channel) start[frame * 2 + channel] = signal(frame, channel);
  }
  rising.Apply(start.data(), 2 * fadeFrames, 2, 0);
  // PulseAudio loses the first frames of a stream that joins its running
  // null sink, whatever the client: what was recorded is the rest of them.
  size_t playStart = 0;
  while (playStart < last && recording[playStart * 2] == 0 && recording[playStart * 2 + 1] == 0) ++playStart;
  size_t lost = 0;
  auto startMatches = [&](size_t from) {
    return std::equal(start.begin() + static_cast<ptrdiff_t>(from * 2), start.end(),
                      recording.begin() + static_cast<ptrdiff_t>(playStart * 2));
  };
  while (lost < fadeFrames && !startMatches(lost)) ++lost;
  ASSERT_LT(lost, fadeFrames) << "the fade-in is not in the recording";
  playStart -= std::min(playStart, lost);  // where the play's frame 0 would be
  // The stop: the play that ends at the last sound, or a few frames later
  // (the fade's last frames round to 0, more of them near a zero crossing),
  // is the signal faded out over its last fadeFrames frames.
  bool stopFound = false;
  for (uint64_t end = last - playStart; end <= last - playStart + fadeFrames / 4 && !stopFound; ++end) {
    PlayFade falling(fadeFrames, end);
    bool same = true;
    for (uint64_t frame = end - 2 * fadeFrames; frame < end && same; ++frame) {
      for (size_t channel = 0; channel < 2; ++channel) {
        int16_t expected = signal(frame, channel);
        falling.Apply(&expected, 1, 1, frame);
        same = same && recording[(playStart + frame) * 2 + channel] == expected;
      }
    }
    stopFound = same;
  }
  EXPECT_TRUE(stopFound) << "the recording does not end in the stop's fade-out";
}

// Every channel count the program plays opens with its positions stated:
// what the server shows of the stream is the layout's map, never a guess of
// its own.
TEST_F(PlaybackPathTest, EveryChannelCountOpensWithItsPositions) {
  const std::vector<std::pair<uint16_t, std::string>> layouts = {
      {1, "mono"},
      {2, "front-left,front-right"},
      {3, "front-left,front-right,lfe"},
      {4, "front-left,front-right,rear-left,rear-right"},
      {6, "front-left,front-right,front-center,lfe,rear-left,rear-right"},
      {8, "front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right"}};
  for (const auto& [channels, positions] : layouts) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = static_cast<uint32_t>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<uint16_t>(2 * channels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT handle = 0;
    ASSERT_EQ(waveOut.Open(&handle, first, format), "") << channels << " channels";
    std::string streams;
    if (FILE* list = popen("pactl list sink-inputs", "r")) {
      char line[512];
      while (std::fgets(line, sizeof line, list) != nullptr) streams += line;
      pclose(list);
    }
    EXPECT_NE(streams.find("Channel Map: " + positions + "\n"), std::string::npos) << streams;
    EXPECT_EQ(waveOut.Close(handle), "");
  }
}

}  // namespace
}  // namespace sondrel
