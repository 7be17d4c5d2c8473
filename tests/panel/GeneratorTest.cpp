// The main window as a user meets it: its initial state, its event rules,
// menus, shortcuts and the windows it opens.
#include <QLabel>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTimer>

#include "engine/Synthesis.h"
#include "platform/HelpViewer.h"
#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

using GeneratorTest = PanelFixture;

TEST_F(GeneratorTest, StartsWithTheDesignedValues) {
  TGenerator& g = *generator;
  EXPECT_EQ(g.SignalType->ActivePage(), g.Constant);
  EXPECT_EQ(g.Constant->objectName(), "Constant");
  EXPECT_EQ(g.fEdit->text(), "1000");
  EXPECT_EQ(g.fInit->text(), "100");
  EXPECT_EQ(g.fFinal->text(), "10000");
  EXPECT_EQ(g.Amplitude->text(), "0");
  EXPECT_EQ(g.Duration->text(), "1");
  EXPECT_EQ(g.WaveForm->currentIndex(), 0);
  EXPECT_EQ(g.WaveForm->currentText(), "Sine");
  EXPECT_EQ(g.WaveForm->count(), 3);
  EXPECT_EQ(g.WaveForm->itemText(2), "Triangular");
  for (QCheckBox* box : {g.Loop, g.Lefttick, g.RightTick, g.InPhaseTick}) {
    EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_TRUE(box->isEnabled());
  }
  EXPECT_FALSE(g.Logarithmic->isChecked());
  EXPECT_FALSE(g.Logarithmic->isHidden());  // "Log Sweep" shows on the Sweep page
  EXPECT_EQ(g.Logarithmic->parentWidget(), g.Sweep);
  EXPECT_EQ(g.SignalType->Tabs()->count(), 6);
  EXPECT_EQ(g.SignalType->Tabs()->tabText(2), "Noise");
  EXPECT_EQ(g.SignalType->Tabs()->tabText(3), "Multi-tone");
  EXPECT_EQ(g.SignalType->Tabs()->tabText(4), "Burst");
  EXPECT_EQ(g.SignalType->Tabs()->tabText(5), "DTMF");
  EXPECT_EQ(g.NoiseColour->count(), 5);  // the colours, then pink in the two level bands
  EXPECT_EQ(g.NoiseColour->currentText(), "White");
  EXPECT_EQ(g.NoiseColour->itemText(1), "Pink");
  EXPECT_EQ(g.NoiseColour->itemText(2), "Brown");
  EXPECT_EQ(g.OnButton->text(), "ON");
  EXPECT_TRUE(g.OnButton->isDefault());
  EXPECT_EQ(g.OnButton->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(g.RenameEdit(1)->isHidden());
  EXPECT_FALSE(g.RenameEdit(4)->isEnabled());
  EXPECT_EQ(g.MemoryButton(3)->text(), "Memory 3");
  EXPECT_EQ(g.UpDown2->Minimum(), 10);
  EXPECT_EQ(g.UpDown2->Maximum(), 20000);
  EXPECT_EQ(g.UpDown3->Maximum(), 22050);
  EXPECT_EQ(g.UpDown1->Minimum(), -100);
  EXPECT_EQ(g.UpDown1->Increment(), 1);
  EXPECT_EQ(g.Button1->toolTip(), "Decrease the Frequency by 1 semi tone (to nearest Hz)");
  EXPECT_EQ(g.WaveDevice->toolTip(), "If you have more than one sound card, select your output device here");
  EXPECT_EQ(freqPopup->FreqSlider->value(), 1000);
  EXPECT_EQ(HelpFileName(), "Kelvo.HLP");
}

// The colours keep their numbers; after them, pink in the two level bands,
// chosen from the keyboard as any entry, reach the engine as pink in a band.
TEST_F(GeneratorTest, TheColourListOffersTheLevelBands) {
  TGenerator& g = *generator;
  g.SignalType->SetActivePage(g.Noise);
  ASSERT_EQ(g.NoiseColour->count(), 5);
  const std::pair<int32_t, NoiseBand> expected[] = {
      {kWhite, {}}, {kPink, {}}, {kBrown, {}}, {kPink, kSpeakerLevelBand}, {kPink, kSubwooferLevelBand}};
  g.NoiseColour->setFocus();
  g.NoiseColour->setCurrentIndex(0);
  for (int index = 0; index < 5; ++index) {
    if (index > 0) QTest::keyClick(g.NoiseColour, Qt::Key_Down);
    ASSERT_EQ(g.NoiseColour->currentIndex(), index);
    const PanelState state = g.ReadPanelState();
    EXPECT_EQ(state.NoiseColour, expected[index].first) << index;
    EXPECT_EQ(state.Band, expected[index].second) << index;
    EXPECT_EQ(g.NoiseBandLabel->text().isEmpty(), !expected[index].second.Limited()) << index;
  }
  EXPECT_EQ(g.NoiseBandLabel->text(), "Pink noise from 30 to 80 Hz, 24 dB an octave down beyond");
  EXPECT_EQ(g.NoiseColour->itemText(4), "Pink, subwoofer level (30-80 Hz)");
}

// The standard lists, chosen by keyboard, fill the list box; the tones'
// levels follow the list and the amplitude; ON plays the list's period.
TEST_F(GeneratorTest, TheMultiTonePageOffersTheStandardListsByKeyboard) {
  TGenerator& g = *generator;
  g.SignalType->SetActivePage(g.MultiTone);
  EXPECT_TRUE(g.WaveForm->isHidden());
  EXPECT_EQ(g.ToneList->text(), "60:4,7000:1");
  EXPECT_EQ(g.ToneLevelsLabel->text(), "Each tone's peak: 60 Hz: -1.9 dB, 7000 Hz: -14.0 dB");
  ASSERT_EQ(g.ToneListPreset->count(), 4);
  g.ToneListPreset->setFocus();
  g.ToneListPreset->setCurrentIndex(0);
  const char* lists[] = {"250:4,8000:1", "19000,20000", "9000,10050,20000"};
  for (const char* list : lists) {
    QTest::keyClick(g.ToneListPreset, Qt::Key_Down);
    EXPECT_EQ(g.ReadPanelState().ToneList, list);
  }
  EXPECT_EQ(g.ToneListPreset->itemText(3), "Cordell (9 + 10.05 + 20 kHz)");
  SetText(g.Amplitude, "-6");
  EXPECT_EQ(g.ToneLevelsLabel->text(), "Each tone's peak: 9000 Hz: -15.5 dB, 10050 Hz: -15.5 dB, 20000 Hz: -15.5 dB");
  SetText(g.ToneList, "60;7000");
  EXPECT_EQ(g.ToneLevelsLabel->text(), "'60;7000' is not a valid tone list");
  SetText(g.ToneList, "1000,2000");
  g.OnButtonClick();
  PcmBuffer expected;
  SynthesizeSignal(g.ReadPanelState(), {1, 1, 1}, expected);
  EXPECT_EQ(waveOut.LastCall("Write")->buffer, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  EXPECT_EQ(expected.Size(), 441u * 2);  // one common period of 441 frames, mono
  g.OnButtonClick();
}

// The CEA-2010 bursts, chosen by keyboard, fill all four controls; the list
// shows the burst the controls hold, and none once they hold another; ON
// plays one period of the burst.
TEST_F(GeneratorTest, TheBurstPageOffersTheCeaBurstsByKeyboard) {
  TGenerator& g = *generator;
  g.SignalType->SetActivePage(g.Burst);
  EXPECT_TRUE(g.WaveForm->isHidden());
  ASSERT_EQ(g.BurstPreset->count(), 6);
  EXPECT_EQ(g.BurstPreset->currentText(), "CEA-2010 burst, 50 Hz");
  SetText(g.BurstCycles, "10");
  g.BurstWindow->setFocus();
  QTest::keyClick(g.BurstWindow, Qt::Key_Down);
  PanelState state = g.ReadPanelState();
  EXPECT_EQ(state.SignalType, SignalPage::Burst);
  EXPECT_EQ(state.BurstWindow, kRectangularWindow);
  EXPECT_EQ(state.BurstCycles, "10");
  EXPECT_EQ(g.BurstPreset->currentIndex(), -1);
  g.BurstPreset->setFocus();
  g.BurstPreset->setCurrentIndex(1);
  QTest::keyClick(g.BurstPreset, Qt::Key_Down);
  state = g.ReadPanelState();
  EXPECT_EQ(g.BurstPreset->currentText(), "CEA-2010 burst, 31.5 Hz");
  EXPECT_EQ(std::vector<std::string>({state.BurstFrequency, state.BurstCycles, state.BurstPeriod}),
            std::vector<std::string>({"31.5", "6.5", "1"}));
  EXPECT_EQ(state.BurstWindow, kHannWindow);
  g.OnButtonClick();
  PcmBuffer expected;
  SynthesizeSignal(state, {1, 1, 1}, expected);
  EXPECT_EQ(waveOut.LastCall("Write")->buffer, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  EXPECT_EQ(expected.Size(), 44100u * 2);  // one period of a second, mono
  g.OnButtonClick();
}

// The DTMF page: the keys, then the tone and the gap by Tab, no duration
// (the keys decide it); ON plays the keys once; every tab's caption fits.
TEST_F(GeneratorTest, TheDtmfPageTakesItsKeysByKeyboard) {
  TGenerator& g = *generator;
  g.show();
  EXPECT_LE(g.SignalType->Tabs()->sizeHint().width(), g.SignalType->width()) << "a tab is behind scroll arrows";
  g.SignalType->SetActivePage(g.Dtmf);
  EXPECT_TRUE(g.Duration->isHidden());
  EXPECT_TRUE(g.WaveForm->isHidden());
  auto nextByTab = [](QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    return next;
  };
  EXPECT_EQ(nextByTab(g.DtmfDigits), g.DtmfToneMs);
  EXPECT_EQ(nextByTab(g.DtmfToneMs), g.DtmfGapMs);
  g.DtmfDigits->selectAll();
  QTest::keyClicks(g.DtmfDigits, "5*");
  g.DtmfToneMs->selectAll();
  QTest::keyClicks(g.DtmfToneMs, "50");
  const PanelState state = g.ReadPanelState();
  EXPECT_EQ(state.SignalType, SignalPage::Dtmf);
  EXPECT_EQ(std::vector<std::string>({state.DtmfDigits, state.DtmfToneMs, state.DtmfGapMs}),
            std::vector<std::string>({"5*", "50", "70"}));
  g.Loop->setChecked(true);
  g.OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Write")->buffer.size(), 2u * 2 * (2205 + 3087));  // two keys, mono
  EXPECT_EQ(waveOut.LastCall("Write")->loops, kLoopForever);
  g.OnButtonClick();
  g.SignalType->SetActivePage(g.Constant);
  EXPECT_FALSE(g.Duration->isHidden());
}

// "Independent channels" follows the colour list by Tab and is ticked by
// the space bar; ON then plays two channels, the left the noise of
// both-alike, the right one of its own.
TEST_F(GeneratorTest, TheNoisePagesIndependentChannelsBoxGivesEachChannelItsOwnNoise) {
  TGenerator& g = *generator;
  ShowAndActivate();
  g.SignalType->SetActivePage(g.Noise);
  QWidget* next = g.NoiseColour->nextInFocusChain();
  while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  EXPECT_EQ(next, g.NoiseIndependent);
  EXPECT_FALSE(g.NoiseIndependent->isChecked());  // both alike, as noise always was
  g.NoiseIndependent->setFocus();
  QTest::keyClick(g.NoiseIndependent, Qt::Key_Space);
  ASSERT_TRUE(g.NoiseIndependent->isChecked());
  const PanelState state = g.ReadPanelState();
  EXPECT_TRUE(state.NoiseIndependent);
  g.OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 2);
  PcmBuffer expected;
  SynthesizeSignal(state, {1, 1, 1}, expected);
  EXPECT_EQ(waveOut.LastCall("Write")->buffer, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  g.OnButtonClick();
}

TEST_F(GeneratorTest, ListsTheDevicesInNumberOrderWithDuplicates) {
  waveOut.deviceNames = {"Speakers", "Speakers", "A name far longer than thirty-two characters in all"};
  TGenerator other(waveOut);
  ASSERT_EQ(other.WaveDevice->count(), 3);
  EXPECT_EQ(other.WaveDevice->itemText(1), "Speakers");
  EXPECT_EQ(other.WaveDevice->itemText(2), "A name far longer than thirty-two characters in all");
  EXPECT_EQ(other.WaveDevice->currentIndex(), 0);
  other.WaveDevice->setCurrentIndex(1);
  other.OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->device, 1);
  other.OnButtonClick();
}

struct DeviceChange {
  const char* name;
  std::vector<std::string> after;
  int selectedBefore;
  int selectedAfter;
};

class DeviceListChangeTest : public GeneratorTest, public ::testing::WithParamInterface<DeviceChange> {};

// While idle the list follows the sound system; the selection stays with its
// device by name, or falls back to the first entry (the default output).
TEST_P(DeviceListChangeTest, FollowsTheSoundSystemKeepingTheSelectedDevice) {
  waveOut.deviceNames = {"Default output (Speakers)", "Speakers", "Headset"};
  TGenerator other(waveOut);
  other.WaveDevice->setCurrentIndex(GetParam().selectedBefore);
  waveOut.deviceNames = GetParam().after;
  other.WatchDevices();
  QStringList shown;
  for (int index = 0; index < other.WaveDevice->count(); ++index) shown << other.WaveDevice->itemText(index);
  QStringList expected;
  for (const std::string& name : GetParam().after) expected << QString::fromStdString(name);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(other.WaveDevice->currentIndex(), GetParam().selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, DeviceListChangeTest,
    ::testing::Values(
        DeviceChange{"Plugged", {"Default output (Speakers)", "Speakers", "USB", "Headset"}, 2, 3},
        DeviceChange{"Unplugged", {"Default output (Speakers)", "Speakers"}, 2, 0},
        DeviceChange{"OtherUnplugged", {"Default output (Headset)", "Headset"}, 2, 1},
        DeviceChange{"DefaultRenamed", {"Default output (Headset)", "Speakers", "Headset"}, 0, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(GeneratorTest, TheListStaysAsItIsWhileAToneIsOn) {
  waveOut.deviceNames = {"Default output (Speakers)", "Speakers"};
  TGenerator other(waveOut);
  other.OnButtonClick();
  waveOut.deviceNames.push_back("Headset");
  other.WatchDevices();
  EXPECT_EQ(other.WaveDevice->count(), 2);
  other.OnButtonClick();
  other.WatchDevices();
  EXPECT_EQ(other.WaveDevice->count(), 3);
}

TEST_F(GeneratorTest, ALoopingToneWhoseDeviceIsLostEndsWithAReport) {
  TGenerator other(waveOut);
  other.OnButtonClick();
  waveOut.lostReason = "The sound device \"USB Headset\" was lost: it was unplugged or removed";
  other.WatchDevices();
  EXPECT_FALSE(other.Engine().Playing);
  EXPECT_EQ(other.OnButton->text(), "ON");
  EXPECT_EQ(dialogs.ErrorTexts(),
            QStringList{"The sound device \"USB Headset\" was lost: it was unplugged or removed."});
}

TEST_F(GeneratorTest, NoDeviceLeavesTheListEmptyAndPlaysOnTheDefault) {
  waveOut.deviceNames.clear();
  TGenerator other(waveOut);
  EXPECT_EQ(other.WaveDevice->currentIndex(), -1);
  other.OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->device, WAVE_MAPPER);
  other.OnButtonClick();
}

TEST_F(GeneratorTest, TitleAndCaptionChangeOnActivation) {
  EXPECT_EQ(generator->windowTitle(), "Sondrel ");
  EXPECT_EQ(ApplicationTitle(), "Sondrel 2.21");
  ShowAndActivate();
  EXPECT_EQ(generator->windowTitle(), "Sondrel 2.4");
  EXPECT_EQ(ApplicationTitle(), "Sondrel 2.4");
}

TEST_F(GeneratorTest, MenusCarryTheirCaptionsAndShortcuts) {
  const QList<QAction*> menus = generator->menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[0]->text(), "&File");
  EXPECT_EQ(menus[1]->text(), "&Presets");
  EXPECT_EQ(menus[2]->text(), "&Tools");
  EXPECT_EQ(menus[3]->text(), "&Help");
  struct Item {
    QAction* action;
    const char* caption;
    const char* shortcut;
  };
  TGenerator& g = *generator;
  for (const Item& item : {Item{g.SaveWaveFile1, "Save Tone &As...", "Ctrl+T"},
                           Item{g.LoadSweepSettings1, "&Load Sweep Settings", "Ctrl+L"},
                           Item{g.SaveSweepSettingsAs1, "&Save Sweep Settings As...", "Ctrl+S"},
                           Item{g.RunScript1, "&Run Script", "Ctrl+R"}, Item{g.Exit1, "&Exit", "Ctrl+X"},
                           Item{g.Slot(1).recallItem, "Recall Memory 1", "F1"}, Item{g.Slot(4).recallItem, "Recall Memory 4", "F4"},
                           Item{g.Slot(1).storeItem, "Store Memory 1", "Shift+F1"},
                           Item{g.Slot(2).storeItem, "Store Memory 2", "Shift+F2"},
                           Item{g.FreqSlider1, "Show &Frequency Slider", "Ctrl+F"},
                           Item{g.Compatibilitysettings1, "&Compatibility Settings", ""},
                           Item{g.OnOff1, "On/Off", "F5"}, Item{g.Help1, "&Help", ""},
                           Item{g.About2, "&About this program...", ""}}) {
    EXPECT_EQ(item.action->text(), item.caption);
    EXPECT_EQ(item.action->shortcut(), QKeySequence(item.shortcut)) << item.caption;
  }
  EXPECT_TRUE(g.FreqSlider1->isCheckable());
  EXPECT_FALSE(g.FreqSlider1->isChecked());
  EXPECT_EQ(g.Slot(2).popup->actions().at(0)->objectName(), "Store2");
  EXPECT_EQ(g.Slot(4).popup->actions().at(1)->text(), "Rename");
}

TEST_F(GeneratorTest, FileDialogsKeepTheirFilters) {
  EXPECT_EQ(QtNameFilters(TGenerator::OpenDialog2.filter), (QStringList{"Kelvo Script (*.kvs)", "All Files (*.*)"}));
  EXPECT_EQ(QtNameFilters(TGenerator::SaveDialog1.filter), (QStringList{"PCM-Data (*.pcm)", "WAV audio (*.wav)"}));
  EXPECT_EQ(TGenerator::SaveDialog1.fileName, "signal.pcm");
  EXPECT_EQ(TGenerator::SaveDialog1.defaultExtension, "pcm");
  EXPECT_EQ(TGenerator::OpenDialog1.filter, "Sondrel Presets|*.kvp");
  EXPECT_EQ(TGenerator::SaveDialog2.filter, "Kelvo presets|*.kvp");
  EXPECT_TRUE(TGenerator::OpenDialog2.defaultExtension.isEmpty());
}

TEST_F(GeneratorTest, EditBoxRaisesItsHandlerOnlyForANewText) {
  StartLoopingTone();
  SetText(generator->fEdit, "1000");  // unchanged: nothing happens
  EXPECT_EQ(Starts(), 0);
  SetText(generator->fEdit, "1001");  // changed: the tone restarts at once
  EXPECT_EQ(Starts(), 1);
  EXPECT_TRUE(engine().Playing);
}

TEST_F(GeneratorTest, ProgramSetCheckBoxRaisesItsHandler) {
  SetChecked(generator->Lefttick, false);
  EXPECT_EQ(engine().LeftGain, 0);
  EXPECT_FALSE(generator->InPhaseTick->isEnabled());
  SetChecked(generator->Lefttick, false);  // unchanged: nothing
  EXPECT_EQ(engine().LeftGain, 0);
}

TEST_F(GeneratorTest, ProgramSetListIndexRaisesNothingButAUserChoiceDoes) {
  StartLoopingTone();
  generator->WaveForm->setCurrentIndex(2);
  EXPECT_EQ(Starts(), 0);
  generator->WaveForm->setFocus();
  QTest::keyClick(generator->WaveForm, Qt::Key_Up);  // the user picks "Square"
  EXPECT_EQ(generator->WaveForm->currentIndex(), 1);
  EXPECT_EQ(Starts(), 1);
}

TEST_F(GeneratorTest, AnErrorInAHandlerIsReportedAndTheProgramGoesOn) {
  ShowAndActivate();
  StartLoopingTone();
  generator->fEdit->setFocus();
  generator->fEdit->selectAll();
  QTest::keyClicks(generator->fEdit, "x");
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0].text, "'x' is not a valid floating point value.");
  EXPECT_EQ(dialogs.errors[0].title, "Sondrel 2.4");
  EXPECT_TRUE(engine().Playing);  // the handler stopped before touching the tone
  generator->fEdit->selectAll();
  QTest::keyClicks(generator->fEdit, "25");  // "2" lies below the retune range and stops the tone
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_FALSE(engine().Playing);
  EXPECT_EQ(freqPopup->FreqSlider->value(), 1097);  // follows 25 Hz
}

TEST_F(GeneratorTest, ShortcutsReachTheWholeWindow) {
  ShowAndActivate();
  generator->fEdit->setFocus();
  QTest::keyClick(generator.get(), Qt::Key_F5);
  EXPECT_TRUE(engine().Playing);
  QTest::keyClick(generator->fEdit, Qt::Key_Return);  // OnButton is the default button
  EXPECT_FALSE(engine().Playing);
  generator->Loop->setFocus();
  QTest::keyClick(generator->Loop, Qt::Key_Enter);
  EXPECT_TRUE(engine().Playing);
  QTest::keyClick(generator.get(), Qt::Key_F5);
  EXPECT_FALSE(engine().Playing);

  QTest::keyClick(generator.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(generator->FreqSlider1->isChecked());
  EXPECT_TRUE(freqPopup->isVisible());
  QApplication::setActiveWindow(generator.get());
  QTest::keyClick(generator.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_FALSE(generator->FreqSlider1->isChecked());
  EXPECT_FALSE(freqPopup->isVisible());
}

TEST_F(GeneratorTest, EnterOnAFocusedPushButtonPressesThatButton) {
  ShowAndActivate();
  generator->Button2->setFocus();
  QTest::keyClick(generator->Button2, Qt::Key_Return);
  EXPECT_EQ(generator->fEdit->text(), "1059");
  EXPECT_FALSE(engine().Playing);
}

TEST_F(GeneratorTest, DisabledWindowTakesNoShortcuts) {
  ShowAndActivate();
  generator->setEnabled(false);
  QTest::keyClick(generator.get(), Qt::Key_F5);
  EXPECT_FALSE(engine().Playing);
}

TEST_F(GeneratorTest, SpinnerStepsTheIntegerInItsBoxAndStopsAtItsLimits) {
  TGenerator& g = *generator;
  g.UpDown2->Step(+1);
  EXPECT_EQ(g.fEdit->text(), "1100");
  SetText(g.fEdit, "19950");
  g.UpDown2->Step(+1);
  EXPECT_EQ(g.fEdit->text(), "20000");
  g.UpDown2->Step(+1);
  EXPECT_EQ(g.fEdit->text(), "20000");
  SetText(g.Amplitude, "-100");
  g.UpDown1->Step(-1);
  EXPECT_EQ(g.Amplitude->text(), "-100");
  g.UpDown1->Step(+1);
  EXPECT_EQ(g.Amplitude->text(), "-99");
  ShowAndActivate();
  g.fEdit->setFocus();
  QTest::keyClick(g.fEdit, Qt::Key_Down);
  EXPECT_EQ(g.fEdit->text(), "19900");
}

TEST_F(GeneratorTest, AmplitudeSpinnerRestartsTwice) {
  StartLoopingTone();
  generator->UpDown1->Step(-1);
  EXPECT_EQ(generator->Amplitude->text(), "-1");
  EXPECT_EQ(Starts(), 2);  // once with the old level, once with the new
  EXPECT_EQ(engine().Playing, true);
}

TEST_F(GeneratorTest, ClickIntoASweepBoxStopsTheTone) {
  ShowAndActivate();
  generator->SignalType->SetActivePage(generator->Sweep);
  StartLoopingTone();
  QTest::mouseClick(generator->fInit, Qt::LeftButton);
  EXPECT_FALSE(engine().Playing);
}

TEST_F(GeneratorTest, AboutBoxAndHelp) {
  auto* about = new QWidget(generator.get(), Qt::Window);
  generator->AboutBox = about;
  generator->About2Click();
  EXPECT_FALSE(generator->isEnabled());
  EXPECT_TRUE(about->isVisible());
  EXPECT_TRUE(about->isEnabled());
  EXPECT_TRUE(freqPopup->isEnabled());  // the slider stays usable
  generator->Help1Click();
  EXPECT_EQ(LastHelpRequest(), "Kelvo.HLP#IDH_1");
}

TEST_F(GeneratorTest, F1OnAMenuItemOpensItsHelpContext) {
  struct Case {
    QMenu* menu;
    QAction* item;
    const char* request;
  };
  TGenerator& g = *generator;
  for (const Case& c : {Case{g.File1, g.RunScript1, "Kelvo.HLP#context-4"}, Case{g.File1, g.Exit1, "Kelvo.HLP#context-5"},
                        Case{g.Presets1, g.Slot(3).recallItem, "Kelvo.HLP#context-6"}, Case{g.Recall1, g.OnOff1, "Kelvo.HLP#"}}) {
    c.menu->setActiveAction(c.item);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(c.menu, &press);
    EXPECT_EQ(LastHelpRequest(), c.request);
  }
}

TEST_F(GeneratorTest, ExitStopsTheToneAndClosesTheWindow) {
  ShowAndActivate();
  StartLoopingTone();
  generator->Exit1Click();
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(generator->isVisible());
  EXPECT_EQ(waveOut.Operations(), (std::vector<std::string>{"Reset", "UnprepareHeader", "Close"}));
}

TEST_F(GeneratorTest, ClosingDuringAOneShotToneEndsItsWait) {
  ShowAndActivate();
  SetChecked(generator->Loop, false);
  SetText(generator->Duration, "1000");
  QTimer::singleShot(100, generator.get(), [this] { generator->close(); });
  generator->OnButtonClick();  // returns once the window is closing
  EXPECT_FALSE(engine().Playing);
}

}  // namespace
}  // namespace sondrel
