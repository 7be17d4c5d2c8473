// Surround through the sound server, as a receiver would get it: for each
// layout a null sink of its channels with an explicit channel map, a script
// played by `sondrel --play --speakers` that sweeps each speaker in turn (to
// an end frequency of its own), and the sink's monitor recorded in the same
// map. Every channel must hold its own speaker's sweep, sample for sample as
// synthesized, and nothing else; and the device list shows the layout.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "engine/SpeakerLayout.h"
#include "tests/support/MonitorRecording.h"

namespace sondrel {
namespace {

using namespace testing_support;

constexpr int kRate = 48000;

// The server's names of the positions, for the sink and the recorder.
std::string ServerMap(const SpeakerLayout& layout) {
  const char* names[] = {"front-left", "front-right", "front-center", "lfe",
                         "rear-left",  "rear-right",  "side-left",    "side-right"};
  std::string map;
  for (Speaker speaker : layout.speakers) map += (map.empty() ? "" : ",") + std::string(names[static_cast<int>(speaker)]);
  return map;
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) text += line;
    pclose(pipe);
  }
  return text;
}

class SurroundPlaybackTest : public ::testing::TestWithParam<SpeakerLayoutId> {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
    folder.setAutoRemove(std::getenv("SONDREL_KEEP_RECORDINGS") == nullptr);
    const SpeakerLayout& layout = LayoutOf(GetParam());
    sink = std::string("sondrel_") + layout.word;
    for (char& c : sink) c = c == '.' ? '_' : c;
    module = Output("pactl load-module module-null-sink sink_name=" + sink + " rate=" + std::to_string(kRate) +
                    " channels=" + std::to_string(layout.Channels()) + " channel_map=" + ServerMap(layout) +
                    " sink_properties=device.description=Sondrel-Test-" + layout.word);
    ASSERT_FALSE(module.empty()) << "the server made no sink of " << layout.name;
    for (int look = 0; look < 50 && Output("pactl list short sinks").find(sink) == std::string::npos; ++look) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  void TearDown() override {
    if (!module.empty()) RunToEnd({"pactl", "unload-module", module.substr(0, module.find('\n'))});
  }
  std::string File(const char* name) const { return folder.filePath(name).toStdString(); }

  QTemporaryDir folder{"/tmp/sondrel-surround-test-XXXXXX"};
  std::string sink;
  std::string module;
};

TEST_P(SurroundPlaybackTest, EverySpeakerPlaysOnItsOwnChannel) {
  const SpeakerLayout& layout = LayoutOf(GetParam());
  QTemporaryDir config("/tmp/sondrel-surround-config-XXXXXX");
  ASSERT_EQ(RunToEnd({"mkdir", "-p", config.filePath("sondrel").toStdString()}), 0);
  // The device's rate: no resampling between the synthesis and the sink.
  std::ofstream(config.filePath("sondrel/settings").toStdString(), std::ios::binary)
      << "[Software\\Kelvo]\nAlwaysStereo=dword:00000000\nLongBuffer=dword:00000000\nSampleRate=dword:00000000\n";
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
  EXPECT_NE(Output(std::string(SONDREL_EXECUTABLE) + " --list-devices")
                .find(std::string("\tSondrel-Test-") + layout.word + "\t48000\t" + std::to_string(layout.Channels()) + "\t" +
                      positions + "\n"),
            std::string::npos);

  MonitorRecorder recorder(sink, File("surround.raw"), kRate, layout.Channels(), ServerMap(layout));
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
  for (size_t channel = 0; channel < channels; ++channel) {
    std::vector<int16_t> own;
    for (size_t at = channel; at < recording.size(); at += channels) own.push_back(recording[at]);
    const char* name = SpeakerName(layout.speakers[channel]);
    sweep.fFinal = endFrequency(channel);
    const std::vector<int16_t> mono = SynthesizedSamples(sweep);
    EXPECT_EQ(SoundRuns(own, 1, 0, kRate / 20, 0).size(), 1u) << name << ": one sweep, and only its own";
    const PathComparison heard = CompareWithSignal(own, mono, 1);
    EXPECT_TRUE(heard.found && heard.reachedEnd && heard.dropouts == 0 && heard.changedFrames == 0 &&
                heard.missingFrames == 0)
        << name << ": its sweep is not there sample for sample";
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundPlaybackTest,
                         ::testing::Values(SpeakerLayoutId::TwoPointOne, SpeakerLayoutId::Quad,
                                           SpeakerLayoutId::FivePointOne, SpeakerLayoutId::SevenPointOne),
                         [](const auto& test) {
                           std::string name = LayoutOf(test.param).word;
                           for (char& c : name) c = c == '.' ? 'p' : c;
                           return "layout_" + name;
                         });

}  // namespace
}  // namespace sondrel
