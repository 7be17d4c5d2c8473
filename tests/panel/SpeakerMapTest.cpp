// The speaker map in the main window: its toggles per layout, the signal on
// the ticked speakers alone, the keyboard, and the walk and its stop.
#include "panel/SpeakerMap.h"

#include <QAccessible>
#include <QLabel>
#include <QTimer>

#include "engine/SpeakerWalk.h"
#include "tests/panel/PanelFixture.h"

namespace sondrel {
namespace {

class SpeakerMapTest : public PanelFixture {
 protected:
  void UseLayout(SpeakerLayoutId id) {
    generator->ReadStoredOptions = [id] {
      StoredOptions options;
      options.speakers = id;
      return options;
    };
    generator->FollowSpeakerLayout();
  }
  TSpeakerMap& map() { return *generator->SpeakerMap; }
  QPushButton* Toggle(Speaker speaker) { return map().Toggles[static_cast<int>(speaker)]; }
  // The channels of the last buffer written that hold any sound.
  std::vector<int> SoundingChannels() const {
    const RecordingWaveOut::Call* write = waveOut.LastCall("Write");
    const int channels = waveOut.LastCall("Open")->format.nChannels;
    const auto* samples = reinterpret_cast<const int16_t*>(write->buffer.data());
    std::vector<int> sounding;
    for (int channel = 0; channel < channels; ++channel) {
      for (size_t at = channel; at < write->buffer.size() / 2; at += channels) {
        if (samples[at] != 0) {
          sounding.push_back(channel);
          break;
        }
      }
    }
    return sounding;
  }
};

class LayoutMapTest : public SpeakerMapTest, public ::testing::WithParamInterface<SpeakerLayoutId> {};

// Each layout shows a toggle for each of its speakers and for no other,
// those ticked and named for screen readers; the tone opens the
// layout's channels.
TEST_P(LayoutMapTest, ShowsATickedToggleForEachSpeakerOfTheLayout) {
  UseLayout(GetParam());
  const SpeakerLayout& layout = LayoutOf(GetParam());
  for (int index = 0; index < kSpeakerCount; ++index) {
    const auto speaker = static_cast<Speaker>(index);
    EXPECT_EQ(!Toggle(speaker)->isHidden(), layout.Has(speaker)) << SpeakerName(speaker);
    EXPECT_EQ(Toggle(speaker)->isChecked(), layout.Has(speaker));
    EXPECT_TRUE(Toggle(speaker)->accessibleName().startsWith(SpeakerTitle(speaker)));
  }
  EXPECT_EQ(map().windowTitle(), QString("Speakers: ") + layout.name);
  StartLoopingTone();
  generator->OnButtonClick();
  generator->OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, layout.Channels());
  EXPECT_EQ(SoundingChannels().size(), static_cast<size_t>(layout.Channels()));
}

INSTANTIATE_TEST_SUITE_P(Surround, LayoutMapTest,
                         ::testing::Values(SpeakerLayoutId::TwoPointOne, SpeakerLayoutId::Quad,
                                           SpeakerLayoutId::FivePointOne, SpeakerLayoutId::SevenPointOne));

// A click retunes the playing tone onto the speakers now ticked (5.1: FL FR
// FC LFE RL RR); the last one cleared stops it and locks the On switches.
TEST_F(SpeakerMapTest, TheSignalPlaysOnTheTickedSpeakersAndNoOther) {
  UseLayout(SpeakerLayoutId::FivePointOne);
  StartLoopingTone();
  QTest::mouseClick(Toggle(Speaker::FC), Qt::LeftButton);
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(SoundingChannels(), (std::vector<int>{0, 1, 3, 4, 5}));
  for (const Speaker speaker : {Speaker::FL, Speaker::FR, Speaker::LFE, Speaker::RL}) {
    QTest::mouseClick(Toggle(speaker), Qt::LeftButton);
  }
  EXPECT_EQ(SoundingChannels(), std::vector<int>{5});
  EXPECT_FALSE(generator->InPhaseTick->isEnabled());  // one speaker has no phase to speak of
  QTest::mouseClick(Toggle(Speaker::RR), Qt::LeftButton);
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(generator->OnButton->isEnabled());
  EXPECT_FALSE(generator->OnOff1->isEnabled());
}

// Out of phase, the right-hand speakers play the signal inverted.
TEST_F(SpeakerMapTest, OutOfPhaseInvertsTheRightHandSpeakers) {
  UseLayout(SpeakerLayoutId::Quad);  // FL FR RL RR
  generator->InPhaseTick->click();
  generator->OnButtonClick();
  const auto* samples = reinterpret_cast<const int16_t*>(waveOut.LastCall("Write")->buffer.data());
  const size_t peak = 4 * 11;  // a quarter period of 1000 Hz into the buffer
  EXPECT_GT(samples[peak], 0);
  EXPECT_EQ(samples[peak + 1], -samples[peak]);
  EXPECT_EQ(samples[peak + 2], samples[peak]);
  EXPECT_EQ(samples[peak + 3], -samples[peak]);
}

// Ctrl+K opens the map; its toggles go round the room by Tab and Space
// flips them; Escape closes it and clears the menu item.
TEST_F(SpeakerMapTest, TheKeyboardReachesEveryToggle) {
  UseLayout(SpeakerLayoutId::FivePointOne);
  ShowAndActivate();
  QTest::keyClick(generator.get(), Qt::Key_K, Qt::ControlModifier);
  ASSERT_TRUE(map().isVisible());
  EXPECT_TRUE(generator->SpeakerMap1->isChecked());
  QApplication::setActiveWindow(&map());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&map()));
  Toggle(Speaker::FL)->setFocus();
  std::vector<QWidget*> visited;
  for (int step = 0; step < 6; ++step) {
    visited.push_back(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  const std::vector<QWidget*> round = {Toggle(Speaker::FL), Toggle(Speaker::FC), Toggle(Speaker::FR),
                                       Toggle(Speaker::RR), Toggle(Speaker::RL), Toggle(Speaker::LFE)};
  EXPECT_EQ(visited, round);
  EXPECT_EQ(QApplication::focusWidget(), map().WalkButton);
  Toggle(Speaker::RL)->setFocus();
  QTest::keyClick(Toggle(Speaker::RL), Qt::Key_Space);
  EXPECT_EQ(engine().ChosenSpeakers, LayoutOf(SpeakerLayoutId::FivePointOne).All() & ~SpeakerBit(Speaker::RL));
  QTest::keyClick(&map(), Qt::Key_Escape);
  EXPECT_FALSE(map().isVisible());
  EXPECT_FALSE(generator->SpeakerMap1->isChecked());
}

// "Test each speaker", started by the keyboard, lights the speakers in turn
// and plays the signal on each alone; a key press stops it at once, leaving no tone on and the
// ticked speakers as they were.
TEST_F(SpeakerMapTest, TheWalkLightsEachSpeakerAndAKeyStopsIt) {
  UseLayout(SpeakerLayoutId::FivePointOne);
  waveOut.finishAtOnce = true;
  QTest::mouseClick(Toggle(Speaker::RR), Qt::LeftButton);
  ShowAndActivate();
  generator->SpeakersButton->click();
  ASSERT_TRUE(map().isVisible());
  QStringList shown;
  int signalStarts = 0;
  waveOut.onWrite = [&] {
    shown << map().NowPlaying->text();
    if (waveOut.calls.back().loops == kLoopForever && ++signalStarts == 2) {
      QTimer::singleShot(0, [this] { QTest::keyClick(&map(), Qt::Key_A); });
    }
  };
  QApplication::setActiveWindow(&map());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&map()));
  map().WalkButton->setFocus();
  QTest::keyClick(map().WalkButton, Qt::Key_Space);  // the walk runs inside the key's click
  EXPECT_EQ(signalStarts, 2);
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_EQ(shown.front(), "Front left (FL)");
  EXPECT_EQ(shown.back(), "Front centre (FC)");
  EXPECT_EQ(map().NowPlaying->text(), "");
  EXPECT_FALSE(engine().Playing);
  EXPECT_EQ(engine().ChosenSpeakers, LayoutOf(SpeakerLayoutId::FivePointOne).All() & ~SpeakerBit(Speaker::RR));
  EXPECT_EQ(SoundingChannels(), std::vector<int>{2});  // the centre, alone
}

}  // namespace
}  // namespace sondrel
