// The main window's speaker map through the sound server: in each layout of
// 4, 6 and 8 channels, a one-shot sweep played from the window with every
// other speaker ticked, then the others, recorded from the monitor of a null
// sink of the layout. The ticked speakers' channels hold the sweep sample
// for sample as synthesized (but for the glitches of the PipeWire graph's
// missed cycles, which paplay's streams have as often); the others are
// silent.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "panel/Generator.h"
#include "panel/PageControl.h"
#include "panel/SpeakerMap.h"
#include "platform/SoundOutput.h"
#include "tests/support/MonitorRecording.h"
#include "tests/support/SurroundSink.h"

namespace sondrel {
namespace {

using namespace testing_support;

constexpr int kRate = kSurroundRate;

class SurroundWindowTest : public SurroundSinkTest {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    SurroundSinkTest::SetUp();
  }
  QTemporaryDir folder{"/tmp/sondrel-surround-window-XXXXXX"};
};

TEST_P(SurroundWindowTest, TheTickedSpeakersPlayTheSweepAndTheOthersNothing) {
  const SpeakerLayout& layout = LayoutOf(GetParam());
  SoundOutput waveOut;
  ASSERT_TRUE(waveOut.StartError().empty());
  TGenerator generator(waveOut);
  const int device = generator.WaveDevice->findText(QString::fromStdString(sink->description));
  ASSERT_GT(device, 0);
  generator.WaveDevice->setCurrentIndex(device);
  generator.ReadStoredOptions = [&] {
    StoredOptions options{false, false, kDeviceRate, {}};
    options.speakers = layout.id;
    return options;
  };
  generator.FollowSpeakerLayout();
  generator.SignalType->SetActivePage(generator.Sweep);
  generator.fInit->setText("200");
  generator.fFinal->setText("1000");
  generator.Duration->setText("0.25");
  generator.Amplitude->setText("-6");
  generator.Loop->setChecked(false);
  PanelState sweep = generator.ReadPanelState();
  sweep.AlwaysStereo = false;
  const std::vector<int16_t> mono = SynthesizedSamples(sweep);
  const size_t channels = static_cast<size_t>(layout.Channels());
  const bool onPipeWire = OnPipeWire();

  for (const size_t ticked : {0u, 1u}) {  // the even channels, then the odd ones
    SpeakerSet chosen = 0;
    for (size_t channel = ticked; channel < channels; channel += 2) chosen |= SpeakerBit(layout.speakers[channel]);
    generator.SpeakerMap->SetChosen(chosen);
    generator.SpeakersClick();
    const std::string file = folder.filePath(QString("window-%1.raw").arg(ticked)).toStdString();
    MonitorRecorder recorder(sink->name, file, kRate, layout.Channels(), ServerMap(layout));
    generator.OnButtonClick();  // a one-shot sweep: returns once it has played
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<int16_t> recording = recorder.Samples();
    for (size_t channel = 0; channel < channels; ++channel) {
      std::vector<int16_t> own;
      for (size_t at = channel; at < recording.size(); at += channels) own.push_back(recording[at]);
      const char* name = SpeakerName(layout.speakers[channel]);
      if (channel % 2 != ticked) {
        EXPECT_TRUE(SoundRuns(own, 1, 0, kRate / 20, 0).empty()) << name << " sounded though not ticked";
        continue;
      }
      const PathComparison heard = CompareWithSignal(own, mono, 1);
      EXPECT_TRUE(ArrivedButForGraphHoles(heard, onPipeWire))
          << name << ": the sweep is not there sample for sample: " << heard.Summary();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundWindowTest,
                         ::testing::Values(SpeakerLayoutId::Quad, SpeakerLayoutId::FivePointOne,
                                           SpeakerLayoutId::SevenPointOne),
                         LayoutTestName);

}  // namespace
}  // namespace sondrel
