// The compatibility settings window on real store files.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextStream>

#include "app/SettingsForm.h"
#include "platform/HelpViewer.h"
#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

class SettingsFormTest : public PanelFixture {
 protected:
  QString StorePath() const { return folder.filePath("config/sondrel/settings"); }
  void Store(const QString& text) {
    QDir().mkpath(folder.filePath("config/sondrel"));
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
  }
  QString Stored() const {
    QFile file(StorePath());
    if (!file.open(QIODevice::ReadOnly)) return "(no file)";
    return QString::fromUtf8(file.readAll());
  }
  TSettingsForm* Create() { return form = new TSettingsForm(*generator, StorePath().toStdString()); }

  QTemporaryDir folder;
  TSettingsForm* form = nullptr;
};

struct LoadCase {
  const char* name;
  const char* stored;  // nullptr: no store file at all
  bool alwaysStereo, longBuffer;
  const char* error;   // the box shown at start-up, or ""
};

class SettingsLoadTest : public SettingsFormTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoadTest, LoadsOrReportsAndGoesOn) {
  if (GetParam().stored != nullptr) Store(GetParam().stored);
  Create();
  EXPECT_EQ(form->AlwaysStereo->isChecked(), GetParam().alwaysStereo);
  EXPECT_EQ(form->LongBuffer->isChecked(), GetParam().longBuffer);
  const QStringList expected = *GetParam().error ? QStringList{GetParam().error} : QStringList{};
  EXPECT_EQ(dialogs.ErrorTexts(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, SettingsLoadTest,
    ::testing::Values(
        LoadCase{"FirstStart", nullptr, false, false, ""},
        LoadCase{"BothSet", "[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nLongBuffer=dword:00000001\n", true, true, ""},
        LoadCase{"TwoReadsAsChecked", "[Software\\Kelvo]\nAlwaysStereo=dword:00000002\nLongBuffer=dword:0\n", true, false, ""},
        LoadCase{"NoLongBufferValue", "[Software\\Kelvo]\nAlwaysStereo=dword:00000001\n", false, false, ""},
        LoadCase{"OtherKeyOnly", "[Software\\Other]\nLongBuffer=dword:00000001\n", false, false, ""},
        LoadCase{"MissingAlwaysStereo", "[Software\\Kelvo]\nLongBuffer=dword:00000001\n", false, false,
                 "Failed to get data for 'AlwaysStereo'"},
        LoadCase{"StringValue", "[Software\\Kelvo]\nAlwaysStereo=sz:on\nLongBuffer=dword:1\n", false, false,
                 "Invalid data type for 'AlwaysStereo'"},
        LoadCase{"LongerThanFourBytes", "[Software\\Kelvo]\nAlwaysStereo=dword:1\nLongBuffer=hex:01,00,00,00,00\n",
                 true, false, "Failed to get data for 'LongBuffer'"}),
    [](const auto& test) { return std::string(test.param.name); });

struct RateCase {
  const char* name;
  const char* stored;
  int32_t rate;  // the window's choice after loading; 0: the output device's rate
};

class SampleRateLoadTest : public SettingsFormTest, public ::testing::WithParamInterface<RateCase> {};

// The rate is stored beside the two options; missing, of another type or
// another number, it is 44100, and it never raises an error of its own.
TEST_P(SampleRateLoadTest, LoadsTheRateOrTheDefault) {
  Store(GetParam().stored);
  Create();
  EXPECT_EQ(form->ChosenSampleRate(), GetParam().rate);
  EXPECT_TRUE(dialogs.ErrorTexts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Stores, SampleRateLoadTest,
    ::testing::Values(RateCase{"Missing", "[Software\\Kelvo]\nAlwaysStereo=dword:0\nLongBuffer=dword:0\n", 44100},
                      RateCase{"Rate48000", "[Software\\Kelvo]\nSampleRate=dword:0000bb80\n", 48000},
                      RateCase{"Rate96000WithTheOptions",
                               "[Software\\Kelvo]\nAlwaysStereo=dword:1\nLongBuffer=dword:1\nSampleRate=dword:00017700\n",
                               96000},
                      RateCase{"TheDevicesRate", "[Software\\Kelvo]\nSampleRate=dword:00000000\n", 0},
                      RateCase{"AnotherNumber", "[Software\\Kelvo]\nSampleRate=dword:00005622\n", 44100},
                      RateCase{"AnotherType", "[Software\\Kelvo]\nSampleRate=sz:48000\n", 44100},
                      RateCase{"Garbage", "[Software\\Kelvo]\nSampleRate=dword:xyz\n", 44100},
                      RateCase{"LongerThanFourBytes", "[Software\\Kelvo]\nSampleRate=hex:80,bb,00,00,00\n", 44100}),
    [](const auto& test) { return std::string(test.param.name); });

// A user who never chose a rate keeps the file as it always was; a chosen
// one is stored and goes to the engine, the device's own as 0.
TEST_F(SettingsFormTest, TheRateIsStoredOnceChosenAndReachesTheEngine) {
  Create();
  form->Button1Click();
  EXPECT_FALSE(Stored().contains("SampleRate"));
  form->SampleRate->setCurrentIndex(form->SampleRate->findData(48000));
  form->Button1Click();
  EXPECT_TRUE(Stored().contains("SampleRate=dword:0000bb80")) << Stored().toStdString();
  EXPECT_EQ(generator->ReadPanelState().SampleRate, 48000);
  form->SampleRate->setCurrentIndex(form->SampleRate->count() - 1);  // the output device's rate
  EXPECT_EQ(form->SampleRate->currentText(), "The output device's rate");
  form->Button1Click();
  EXPECT_TRUE(Stored().contains("SampleRate=dword:00000000"));
  EXPECT_EQ(generator->ReadPanelState().SampleRate, 44100);  // the device does not say its rate
  waveOut.deviceRates = {48000};
  EXPECT_EQ(generator->ReadPanelState().SampleRate, 48000);
  form->SampleRate->setCurrentIndex(0);
  form->Button1Click();
  EXPECT_TRUE(Stored().contains("SampleRate=dword:0000ac44"));  // once stored, kept up to date
}

// The main window says when the sound server resamples the signal.
TEST_F(SettingsFormTest, TheWindowSaysWhenTheServerResamples) {
  Create();
  waveOut.deviceRates = {48000};
  generator->UpdateRateNote();
  ASSERT_NE(generator->RateNote, nullptr);
  EXPECT_EQ(generator->RateNote->text(), "44100 Hz, resampled by the sound server to 48000 Hz");
  EXPECT_FALSE(generator->statusBar()->isHidden());
  form->SampleRate->setCurrentIndex(form->SampleRate->count() - 1);  // follow the device
  generator->UpdateRateNote();
  EXPECT_TRUE(generator->statusBar()->isHidden());
}

TEST_F(SettingsFormTest, TheRateComesAfterTheTwoOptionsInTabOrder) {
  Create();
  QWidget* next = form->LongBuffer->nextInFocusChain();
  while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  EXPECT_EQ(next, form->SampleRate);
  EXPECT_GT(form->SampleRate->y(), form->LongBuffer->y());
}

struct SpeakersCase {
  const char* name;
  const char* stored;
  const char* shown;  // the list's choice after loading
};

class SpeakersLoadTest : public SettingsFormTest, public ::testing::WithParamInterface<SpeakersCase> {};

// The layout is stored beside the rate; missing, of another type or another
// number, it is Stereo, with no error of its own.
TEST_P(SpeakersLoadTest, LoadsTheLayoutOrStereo) {
  Store(GetParam().stored);
  Create();
  EXPECT_EQ(form->Speakers->currentText(), GetParam().shown);
  EXPECT_TRUE(dialogs.ErrorTexts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Stores, SpeakersLoadTest,
    ::testing::Values(SpeakersCase{"Missing", "[Software\\Kelvo]\nAlwaysStereo=dword:0\nLongBuffer=dword:0\n", "Stereo"},
                      SpeakersCase{"FivePointOne", "[Software\\Kelvo]\nSpeakers=dword:00000003\n", "5.1"},
                      SpeakersCase{"TheDevicesLayout", "[Software\\Kelvo]\nSpeakers=dword:000000ff\n",
                                   "The output device's layout"},
                      SpeakersCase{"AnotherNumber", "[Software\\Kelvo]\nSpeakers=dword:00000005\n", "Stereo"},
                      SpeakersCase{"AnotherType", "[Software\\Kelvo]\nSpeakers=sz:5.1\n", "Stereo"}),
    [](const auto& test) { return std::string(test.param.name); });

// The fade follows the speakers by Tab, is chosen by keyboard, stored once
// chosen, and every start fades by it; a script's "fade" line counts for
// its run alone.
TEST_F(SettingsFormTest, TheFadeIsChosenByKeyboardAndEveryStartFadesByIt) {
  Create();
  QWidget* next = form->Speakers->nextInFocusChain();
  while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  EXPECT_EQ(next, form->Fade);
  EXPECT_EQ(form->Fade->currentText(), "0 ms");
  form->Button1Click();
  EXPECT_FALSE(Stored().contains("Fade"));
  form->Fade->setFocus();
  QTest::keyClick(form->Fade, Qt::Key_Down);
  QTest::keyClick(form->Fade, Qt::Key_Down);
  EXPECT_EQ(form->Fade->currentText(), "10 ms");
  form->Button1Click();
  EXPECT_TRUE(Stored().contains("Fade=dword:0000000a")) << Stored().toStdString();
  generator->OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Write")->fadeFrames, 441u);
  generator->OnButtonClick();
  generator->ScriptFadeMs = 0;
  EXPECT_EQ(generator->ReadPanelState().FadeMs, 0);
  generator->ScriptFadeMs.reset();
  EXPECT_EQ(generator->ReadPanelState().FadeMs, 10);
}

// The layout comes after the rate, is stored once chosen, and the main
// window follows it when the settings window closes: the speaker map takes
// the Left and Right boxes' place, which come back, as they were, in Stereo.
TEST_F(SettingsFormTest, TheLayoutIsStoredAndTheMainWindowFollowsIt) {
  Create();
  EXPECT_GT(form->Speakers->y(), form->SampleRate->y());
  QWidget* next = form->SampleRate->nextInFocusChain();
  while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  EXPECT_EQ(next, form->Speakers);
  generator->RightTick->setChecked(false);
  generator->Compatibilitysettings1Click();
  form->Speakers->setCurrentIndex(form->Speakers->findText("7.1"));
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_TRUE(Stored().contains("Speakers=dword:00000004")) << Stored().toStdString();
  EXPECT_TRUE(generator->Lefttick->isHidden());
  EXPECT_TRUE(generator->RightTick->isHidden());
  EXPECT_FALSE(generator->SpeakersButton->isHidden());
  EXPECT_TRUE(generator->SpeakerMap1->isVisible());
  generator->OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 8);
  generator->OnButtonClick();
  generator->Compatibilitysettings1Click();
  form->Speakers->setCurrentIndex(0);
  form->close();  // for this run only
  EXPECT_FALSE(generator->Lefttick->isHidden());
  EXPECT_FALSE(generator->RightTick->isChecked());
  EXPECT_FALSE(generator->SpeakerMap1->isVisible());
  generator->OnButtonClick();
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 2);  // the left channel alone
  EXPECT_TRUE(Stored().contains("Speakers=dword:00000004"));
}

TEST_F(SettingsFormTest, FirstStartWritesNothingUntilOk) {
  Create();
  EXPECT_EQ(Stored(), "(no file)");
  form->Button1Click();
  EXPECT_TRUE(Stored().contains("[Software\\Kelvo]\nAlwaysStereo=dword:00000000\nLongBuffer=dword:00000000\n"));
}

TEST_F(SettingsFormTest, OkStoresOneForAnyTrueValue) {
  Store("[Software\\Kelvo]\nAlwaysStereo=dword:00000002\nLongBuffer=dword:00000000\n");
  Create();
  form->show();
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_TRUE(Stored().contains("AlwaysStereo=dword:00000001"));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(SettingsFormTest, OpeningStopsTheToneAndLocksTheMainWindow) {
  Create();
  ShowAndActivate();
  StartLoopingTone();
  generator->Compatibilitysettings1Click();
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(generator->isEnabled());
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->isEnabled());
  QTest::keyClick(generator.get(), Qt::Key_F5);  // no shortcut gets through
  EXPECT_FALSE(engine().Playing);
  form->close();
  EXPECT_TRUE(generator->isEnabled());
}

TEST_F(SettingsFormTest, ClosingWithoutOkKeepsTheBoxesForTheRunOnly) {
  Store("[Software\\Kelvo]\nAlwaysStereo=dword:0\nLongBuffer=dword:0\n");
  Create();
  generator->Compatibilitysettings1Click();
  form->LongBuffer->setChecked(true);
  form->AlwaysStereo->setChecked(true);
  form->close();
  generator->OnButtonClick();  // the next tone uses both at once
  EXPECT_EQ(waveOut.LastCall("Write")->buffer.size(), 4410u * 4);
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 2);
  EXPECT_TRUE(Stored().contains("LongBuffer=dword:0\n"));  // not stored
  generator->Compatibilitysettings1Click();
  EXPECT_TRUE(form->LongBuffer->isChecked());  // as it was left
  delete form;
  generator->ReadStoredOptions = nullptr;
  Create();  // the next start of the program
  EXPECT_FALSE(form->LongBuffer->isChecked());
}

TEST_F(SettingsFormTest, AStoreThatCannotBeWrittenKeepsTheWindowOpen) {
  QFile blocker(folder.filePath("config"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder belongs
  blocker.close();
  Create();
  generator->Compatibilitysettings1Click();
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(dialogs.ErrorTexts(), QStringList{"Failed to set data for 'AlwaysStereo'"});
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(generator->isEnabled());
}

TEST_F(SettingsFormTest, AnUnreadableStoreIsReportedAtStartAndOnOkAndKeptAsItIs) {
  QDir().mkpath(StorePath() + "/folder-in-its-place");
  Create();
  const QString report = "The settings file " + StorePath() +
                         " could not be read (Is a directory); it was left as it was.";
  EXPECT_EQ(dialogs.ErrorTexts(), QStringList{report});
  generator->Compatibilitysettings1Click();
  form->AlwaysStereo->setChecked(true);
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  EXPECT_EQ(dialogs.ErrorTexts(), (QStringList{report, report}));
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(QDir(StorePath() + "/folder-in-its-place").exists());
}

TEST_F(SettingsFormTest, F1OpensTheManualAtTheWindowsContext) {
  Create();
  generator->Compatibilitysettings1Click();
  QApplication::setActiveWindow(form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  QTest::keyClick(form, Qt::Key_F1);
  EXPECT_EQ(LastHelpRequest(), "Kelvo.HLP#context-2");
}

TEST_F(SettingsFormTest, WindowCarriesItsCaptionsAndHints) {
  Create();
  EXPECT_EQ(form->windowTitle(), "Compatibility Settings");
  EXPECT_EQ(form->AlwaysStereo->text(), "Always generate stereo signal");
  EXPECT_EQ(form->LongBuffer->text(), "Use large buffer size");
  EXPECT_EQ(form->Button1->text(), "OK");
  EXPECT_EQ(form->Button1->toolTip(), "Save settings and close");
  EXPECT_FALSE(form->Button1->isDefault());
}

}  // namespace
}  // namespace sondrel
