// Surround through the sound server, as a receiver would get it: for each
// layout a null sink of its channels with an explicit channel map, a script
// played by `sondrel --play --speakers` that sweeps each speaker in turn (to
// an end frequency of its own), and the sink's monitor recorded in the same
// map. Every channel must hold its own speaker's sweep, sample for sample as
// synthesized from its first frame (on PipeWire, but for the graph's missed
// cycles), and nothing else; and the device list shows the layout. The
// walk round the room (`sondrel --walk`) reaches one speaker at a time, in
// its order.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "engine/SpeakerLayout.h"
#include "engine/SpeakerWalk.h"
#include "platform/SoundTheme.h"
#include "tests/support/MonitorRecording.h"
#include "tests/support/SurroundSink.h"

namespace sondrel {
namespace {

using namespace testing_support;

constexpr int kRate = kSurroundRate;

class SurroundPlaybackTest : public SurroundSinkTest {
 protected:
  void SetUp() override {
    folder.setAutoRemove(std::getenv("SONDREL_KEEP_RECORDINGS") == nullptr);
    SurroundSinkTest::SetUp();
  }
  std::string File(const char* name) const { return folder.filePath(name).toStdString(); }
  // Settings of the program's own that follow the device's rate: no
  // resampling between the synthesis and the sink.
  static void WriteDeviceRateSettings(const QTemporaryDir& config) {
    ASSERT_EQ(RunToEnd({"mkdir", "-p", config.filePath("sondrel").toStdString()}), 0);
    std::ofstream(config.filePath("sondrel/settings").toStdString(), std::ios::binary)
        << "[Software\\Kelvo]\nAlwaysStereo=dword:00000000\nLongBuffer=dword:00000000\nSampleRate=dword:00000000\n";
  }

  QTemporaryDir folder{"/tmp/sondrel-surround-test-XXXXXX"};
};

TEST_P(SurroundPlaybackTest, EverySpeakerPlaysOnItsOwnChannel) {
  const SpeakerLayout& layout = LayoutOf(GetParam());
  QTemporaryDir config("/tmp/sondrel-surround-config-XXXXXX");
  ASSERT_NO_FATAL_FAILURE(WriteDeviceRateSettings(config));
  auto endFrequency = [](size_t channel) { return std::to_string(1000 + 250 * channel); };
  std::string script;
  for (size_t channel = 0; channel < layout.speakers.size(); ++channel) {
    script += std::string("speakers ") + SpeakerName(layout.speakers[channel]) + "\r\nsweep 200 " +
              endFrequency(channel) + " 0.25 -6 0\r\n";
  }
  std::ofstream(File("walk.kvs"), std::ios::binary) << script << "end\r\n";

  // The device list tells the sink's layout.
  std::string positions;
  for (Speaker speaker : layout.speakers) positions += (positions.empty() ? "" : ",") + std::string(SpeakerName(speaker));
  EXPECT_NE(CommandOutput(std::string(SONDREL_EXECUTABLE) + " --list-devices")
                .find(std::string("\tSondrel-Test-") + layout.word + "\t48000\t" + std::to_string(layout.Channels()) + "\t" +
                      positions + "\n"),
            std::string::npos);

  MonitorRecorder recorder(sink->name, File("surround.raw"), kRate, layout.Channels(), ServerMap(layout));
  ASSERT_EQ(RunToEnd({"env", "XDG_CONFIG_HOME=" + config.path().toStdString(), SONDREL_EXECUTABLE, "--play",
                      File("walk.kvs"), "--speakers", layout.word, "--device",
                      std::string("Sondrel-Test-") + layout.word}),
            0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<int16_t> recording = recorder.Samples();

  PanelState sweep;
  sweep.SignalType = SignalPage::Sweep;
  sweep.fInit = "200";
  sweep.Duration = "0.25";
  sweep.Amplitude = "-6";
  sweep.SampleRate = kRate;
  const size_t channels = static_cast<size_t>(layout.Channels());
  const bool onPipeWire = OnPipeWire();
  for (size_t channel = 0; channel < channels; ++channel) {
    std::vector<int16_t> own;
    for (size_t at = channel; at < recording.size(); at += channels) own.push_back(recording[at]);
    const char* name = SpeakerName(layout.speakers[channel]);
    sweep.fFinal = endFrequency(channel);
    const std::vector<int16_t> mono = SynthesizedSamples(sweep);
    EXPECT_EQ(SoundRuns(own, 1, 0, kRate / 20, 0).size(), 1u) << name << ": one sweep, and only its own";
    const PathComparison heard = CompareWithSignal(own, mono, 1);
    EXPECT_TRUE(ArrivedButForGraphHoles(heard, onPipeWire)) << name << ": its sweep is not there sample for sample: "
                                                            << heard.Summary();
    // Each line starts where the server reads when it arrives, on the stream
    // the line before played on: nothing of its start goes missing behind
    // the read position. PulseAudio's monitor may have passed on up to the
    // recorder's latency of a stream it mixes in by rewinding the sink.
    EXPECT_LE(heard.lostAtStart, onPipeWire ? 0u : static_cast<size_t>(kRate / 40)) << name << ": its start is missing";
  }
}

class SurroundWalkTest : public SurroundPlaybackTest {};

// Each speaker in the walk's order, alone: its name (when the sound theme
// has it), then the noise for its 3 seconds, and nothing on it before its
// turn or after it; the names go to standard error in the same order.
TEST_P(SurroundWalkTest, TheWalkReachesOneSpeakerAtATimeInItsOrder) {
  const SpeakerLayout& layout = LayoutOf(GetParam());
  QTemporaryDir config("/tmp/sondrel-surround-config-XXXXXX");
  ASSERT_NO_FATAL_FAILURE(WriteDeviceRateSettings(config));
  MonitorRecorder recorder(sink->name, File("walk.raw"), kRate, layout.Channels(), ServerMap(layout));
  const std::string names = CommandOutput("env XDG_CONFIG_HOME=" + config.path().toStdString() + " " + SONDREL_EXECUTABLE +
                                   " --walk --speakers " + layout.word + " --device Sondrel-Test-" + layout.word +
                                   " 2>&1");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<int16_t> recording = recorder.Samples();

  std::string expectedNames;
  const std::vector<Speaker> order = WalkOrder(layout);
  for (const Speaker speaker : order) expectedNames += std::string(SpeakerName(speaker)) + "\t" + SpeakerTitle(speaker) + "\n";
  EXPECT_EQ(names, expectedNames);
  const size_t channels = static_cast<size_t>(layout.Channels());
  size_t turnEnds = 0;  // where the speaker before ended
  for (const Speaker speaker : order) {
    const size_t channel = std::find(layout.speakers.begin(), layout.speakers.end(), speaker) - layout.speakers.begin();
    const auto runs = SoundRuns(recording, channels, channel, kRate / 20);
    ASSERT_FALSE(runs.empty()) << SpeakerName(speaker) << " was not heard";
    EXPECT_GT(runs.front().first, turnEnds) << SpeakerName(speaker) << " sounded before its turn";
    const bool spoken = speaker != Speaker::LFE && SoundThemeFile(VoiceSoundName(speaker)).has_value();
    if (spoken) {  // the words of the name, then the noise
      ASSERT_GE(runs.size(), 2u) << SpeakerName(speaker) << ": its name was not spoken";
      EXPECT_LT(runs[runs.size() - 2].second - runs.front().first, static_cast<size_t>(kRate) * 2);
    } else {
      EXPECT_EQ(runs.size(), 1u) << SpeakerName(speaker) << ": the noise alone";
    }
    EXPECT_GE(runs.back().second - runs.back().first, static_cast<size_t>(kRate) * 29 / 10) << SpeakerName(speaker);
    turnEnds = runs.back().second;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundWalkTest, ::testing::Values(SpeakerLayoutId::FivePointOne),
                         [](const auto&) { return std::string("layout_5p1"); });

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundPlaybackTest,
                         ::testing::Values(SpeakerLayoutId::TwoPointOne, SpeakerLayoutId::Quad,
                                           SpeakerLayoutId::FivePointOne, SpeakerLayoutId::SevenPointOne),
                         LayoutTestName);

}  // namespace
}  // namespace sondrel
