// Editing the panel: clamping, rounding, semitone steps, channels, the
// retune range, the status line's notes and the export.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

using ParameterHandlersTest = PanelFixture;

struct RetuneCase {
  const char* text;
  bool playsOn;
  int sliderPosition;  // -1: the slider keeps its old position
};
void PrintTo(const RetuneCase& c, std::ostream* out) { *out << "'" << c.text << "'"; }

class RetuneRangeTest : public PanelFixture, public ::testing::WithParamInterface<RetuneCase> {};

TEST_P(RetuneRangeTest, RestartsInsideTheRangeAndStopsOutside) {
  freqPopup->SetSliderPosition(1234);
  StartLoopingTone();
  SetText(generator->fEdit, GetParam().text);
  EXPECT_EQ(engine().Playing, GetParam().playsOn);
  EXPECT_EQ(Starts(), GetParam().playsOn ? 1 : 0);
  const int expected = GetParam().sliderPosition < 0 ? 1234 : GetParam().sliderPosition;
  EXPECT_EQ(freqPopup->FreqSlider->value(), expected);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, RetuneRangeTest,
                         ::testing::Values(RetuneCase{"20", false, -1}, RetuneCase{"21", true, 1021},
                                           RetuneCase{"100", true, 1699}, RetuneCase{"1001", true, 2699},
                                           RetuneCase{"21999", true, 4000}, RetuneCase{"22000", false, -1},
                                           RetuneCase{"-5", false, -1}), CaseName());

struct SoundNoteCase {
  const char* name;
  void (*edit)(TGenerator& g);
  const char* note;  // nullptr: no status line
};

class SoundNoteTest : public PanelFixture, public ::testing::WithParamInterface<SoundNoteCase> {};

// The status line says what the controls will not sound as set, and goes
// again once they will; the samples are not the note's business.
TEST_P(SoundNoteTest, TheStatusLineSaysWhatWillNotSoundAsSet) {
  generator->FormCreate();
  GetParam().edit(*generator);
  if (GetParam().note == nullptr) {
    EXPECT_TRUE(generator->SoundNote == nullptr || generator->statusBar()->isHidden());
    return;
  }
  ASSERT_NE(generator->SoundNote, nullptr);
  EXPECT_EQ(generator->SoundNote->text(), GetParam().note);
  EXPECT_FALSE(generator->statusBar()->isHidden());
}

void SweepPage(TGenerator& g) { g.SignalType->SetActivePage(g.Sweep); }

INSTANTIATE_TEST_SUITE_P(
    Edits, SoundNoteTest,
    ::testing::Values(
        SoundNoteCase{"AsStarted", [](TGenerator&) {}, nullptr},
        SoundNoteCase{"ToneTypedAboveHalfTheRate", [](TGenerator& g) { SetText(g.fEdit, "30000"); },
                      "30000 Hz is above half the rate (22050 Hz): it sounds as 14100 Hz"},
        SoundNoteCase{"ClampedWhenLeft",
                      [](TGenerator& g) {
                        SetText(g.fEdit, "30000");
                        g.fEditExit();
                      },
                      nullptr},
        SoundNoteCase{"SweepPastHalfTheRate",
                      [](TGenerator& g) {
                        SweepPage(g);
                        SetText(g.fFinal, "40000");
                      },
                      "The sweep passes half the rate (22050 Hz): above it, it folds back"},
        SoundNoteCase{"LogarithmicFromZeroAndPastHalf",
                      [](TGenerator& g) {
                        SweepPage(g);
                        SetText(g.fInit, "0");
                        SetText(g.fFinal, "40000");
                        g.Logarithmic->click();
                      },
                      "The sweep passes half the rate (22050 Hz): above it, it folds back; a logarithmic sweep "
                      "needs both frequencies above 0 Hz: this one sweeps linearly"},
        SoundNoteCase{"NoChannel",
                      [](TGenerator& g) {
                        g.Lefttick->click();
                        g.RightTick->click();
                      },
                      "No channel is chosen: the signal plays silence"},
        SoundNoteCase{"AChannelAgain",
                      [](TGenerator& g) {
                        g.Lefttick->click();
                        g.RightTick->click();
                        g.RightTick->click();
                      },
                      nullptr}),
    [](const auto& test) { return std::string(test.param.name); });

struct ClampCase {
  const char* typed;
  const char* left;
  bool playsOn;  // a looping tone is on when the box is left
};
void PrintTo(const ClampCase& c, std::ostream* out) { *out << "'" << c.typed << "'"; }

class LeavingFrequencyTest : public PanelFixture, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(LeavingFrequencyTest, ClampsAndRoundsAndSwitchesTheToneOff) {
  SetText(generator->fEdit, GetParam().typed);
  StartLoopingTone();
  generator->fEditExit();
  EXPECT_EQ(generator->fEdit->text(), GetParam().left);
  EXPECT_EQ(engine().Playing, GetParam().playsOn);
}

INSTANTIATE_TEST_SUITE_P(Texts, LeavingFrequencyTest,
                         ::testing::Values(ClampCase{"30000", "22000", false}, ClampCase{"-5", "10", false},
                                           ClampCase{"15.7", "16", false}, ClampCase{"20.5", "20", false},
                                           ClampCase{"21.5", "22", false}, ClampCase{"1000", "1000", false},
                                           ClampCase{"440.4", "440", false}), CaseName());

TEST_F(ParameterHandlersTest, LeavingTheFrequencyBoxWithTabRunsTheExitHandler) {
  ShowAndActivate();
  generator->fEdit->setFocus();
  generator->fEdit->selectAll();
  QTest::keyClicks(generator->fEdit, "15.7");
  QTest::keyClick(generator->fEdit, Qt::Key_Tab);
  EXPECT_EQ(generator->fEdit->text(), "16");
}

TEST_F(ParameterHandlersTest, LeavingTheAmplitudeBoxClampsWithoutRounding) {
  for (auto [typed, left] : {std::pair{"5", "0"}, {"-150", "-100"}, {"-3.5", "-3.5"}, {"-100", "-100"}}) {
    SetText(generator->Amplitude, typed);
    generator->AmplitudeExit();
    EXPECT_EQ(generator->Amplitude->text(), left);
  }
  SetText(generator->Amplitude, "loud");
  EXPECT_THROW(generator->AmplitudeExit(), AppError);
}

TEST_F(ParameterHandlersTest, TwelveSemitonesMakeAnOctave) {
  const QStringList scale = {"440", "466", "494", "523", "554", "587", "622",
                             "659", "698", "740", "784", "831", "880"};
  SetText(generator->fEdit, "440");
  for (qsizetype step = 1; step < scale.size(); ++step) {
    generator->Button2Click(generator->Button2);
    EXPECT_EQ(generator->fEdit->text(), scale[step]);
  }
  for (qsizetype step = scale.size() - 2; step >= 0; --step) {
    generator->Button2Click(generator->Button1);
    EXPECT_EQ(generator->fEdit->text(), scale[step]);
  }
}

TEST_F(ParameterHandlersTest, SemitonesNearTheEnds) {
  auto step = [this](const char* from, QPushButton* button) {
    SetText(generator->fEdit, from);
    generator->Button2Click(button);
    return generator->fEdit->text();
  };
  EXPECT_EQ(step("1000", generator->Button2), "1059");
  EXPECT_EQ(step("1000", generator->Button1), "944");
  EXPECT_EQ(step("18877", generator->Button2), "19999");
  EXPECT_EQ(step("18900", generator->Button2), "18900");  // 20024 would be too high
  EXPECT_EQ(step("20000", generator->Button2), "20000");
  SetText(generator->fEdit, "10");
  StartLoopingTone();
  generator->Button2Click(generator->Button1);
  EXPECT_EQ(generator->fEdit->text(), "9");
  EXPECT_FALSE(engine().Playing);
}

TEST_F(ParameterHandlersTest, ChannelBoxesDriveTheEngineAndTheSwitch) {
  TGenerator& g = *generator;
  StartLoopingTone();
  QTest::mouseClick(g.RightTick, Qt::LeftButton);  // left only
  EXPECT_EQ(engine().RightGain, 0);
  EXPECT_EQ(engine().PhaseSign, 1);
  EXPECT_TRUE(g.InPhaseTick->isChecked());
  EXPECT_FALSE(g.InPhaseTick->isEnabled());
  EXPECT_TRUE(engine().Playing);
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 2);

  QTest::mouseClick(g.Lefttick, Qt::LeftButton);  // none
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(g.OnButton->isEnabled());
  EXPECT_FALSE(g.OnOff1->isEnabled());

  QTest::mouseClick(g.RightTick, Qt::LeftButton);  // right only
  EXPECT_TRUE(g.OnButton->isEnabled());
  EXPECT_TRUE(g.OnOff1->isEnabled());
  EXPECT_FALSE(g.InPhaseTick->isEnabled());

  QTest::mouseClick(g.Lefttick, Qt::LeftButton);  // both again
  EXPECT_TRUE(g.InPhaseTick->isEnabled());
  EXPECT_TRUE(g.InPhaseTick->isChecked());
  QTest::mouseClick(g.InPhaseTick, Qt::LeftButton);
  EXPECT_EQ(engine().PhaseSign, -1);
}

TEST_F(ParameterHandlersTest, PhaseHandlerPassesItsErrorToTheCaller) {
  SetText(generator->fEdit, "abc");  // reported once, as a text change
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_THROW(SetChecked(generator->InPhaseTick, false), AppError);
  EXPECT_EQ(engine().PhaseSign, -1);  // set before the failing retune
}

TEST_F(ParameterHandlersTest, ShowingTheSliderSwitchesToTheConstantPage) {
  TGenerator& g = *generator;
  g.SignalType->SetActivePage(g.Sweep);
  g.FreqSlider1Click();
  EXPECT_TRUE(g.FreqSlider1->isChecked());
  EXPECT_TRUE(freqPopup->isVisible());
  EXPECT_EQ(g.SignalType->ActivePage(), g.Constant);
  g.SignalType->SetActivePage(g.Sweep);
  g.FreqSlider1Click();
  EXPECT_FALSE(freqPopup->isVisible());
  EXPECT_EQ(g.SignalType->ActivePage(), g.Constant);
}

class ExportTest : public PanelFixture {
 protected:
  QByteArray Saved() {
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
  QByteArray Synthesized(const PanelState& state, ChannelGains gains = {}) {
    PcmBuffer buffer;
    SynthesizeSignal(state, gains, buffer);
    return QByteArray(reinterpret_cast<const char*>(buffer.Data()), static_cast<qsizetype>(buffer.Size()));
  }
  QTemporaryDir folder;
  QString name = "tone.pcm";
};

TEST_F(ExportTest, SavesOneBufferAndLeavesTheToneOff) {
  StartLoopingTone();
  dialogs.nextFile = folder.filePath(name);
  generator->SaveWaveFile1Click();
  EXPECT_FALSE(engine().Playing);
  EXPECT_EQ(generator->OnButton->text(), "ON");
  ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
  EXPECT_EQ(dialogs.fileDialogs[0].fileName, "signal.pcm");
  EXPECT_EQ(Saved(), Synthesized(PanelState{}));
  EXPECT_EQ(Saved().size(), 882);
}

TEST_F(ExportTest, SweepOnTheLeftAloneIsStereo) {
  generator->SignalType->SetActivePage(generator->Sweep);
  SetChecked(generator->RightTick, false);
  dialogs.nextFile = folder.filePath(name);
  generator->SaveWaveFile1Click();
  const QByteArray bytes = Saved();
  ASSERT_EQ(bytes.size(), 176400);
  for (qsizetype i = 2; i < bytes.size(); i += 4) ASSERT_EQ(bytes[i] | bytes[i + 1], 0);
}

TEST_F(ExportTest, WavNameGetsAHeader) {
  name = "tone.WAV";
  dialogs.nextFile = folder.filePath(name);
  generator->SaveWaveFile1Click();
  const QByteArray bytes = Saved();
  ASSERT_EQ(bytes.size(), 44 + 882);
  EXPECT_EQ(bytes.left(4), "RIFF");
  EXPECT_EQ(bytes.mid(8, 4), "WAVE");
  EXPECT_EQ(bytes.mid(44), Synthesized(PanelState{}));
}

TEST_F(ExportTest, NoiseSavesOnePeriodAsWav) {
  name = "noise.wav";
  generator->SignalType->SetActivePage(generator->Noise);
  generator->NoiseColour->setCurrentIndex(kPink);
  SetText(generator->Amplitude, "-20");
  dialogs.nextFile = folder.filePath(name);
  generator->SaveWaveFile1Click();
  PanelState state;
  state.SignalType = SignalPage::Noise;
  state.NoiseColour = kPink;
  state.Amplitude = "-20";
  const QByteArray bytes = Saved();
  ASSERT_EQ(bytes.size(), 44 + 262144 * 2);
  EXPECT_EQ(bytes.mid(44), Synthesized(state));
}

// Noise has no frequency: an edit of its level retunes it whatever the
// Constant page's frequency box holds.
TEST_F(ParameterHandlersTest, EveryNoiseEditRetunesWhateverTheFrequencyBoxHolds) {
  generator->SignalType->SetActivePage(generator->Noise);
  SetText(generator->fEdit, "not a number");
  StartLoopingTone();
  SetText(generator->Amplitude, "-7");
  SetText(generator->Duration, "3");
  EXPECT_TRUE(engine().Playing);
  EXPECT_EQ(Starts(), 2);
  EXPECT_TRUE(dialogs.errors.empty());
}

// Ticked by the user, Log Sweep retunes a playing sweep to the other law.
TEST_F(ParameterHandlersTest, TheLogSweepBoxRetunesAPlayingSweep) {
  generator->SignalType->SetActivePage(generator->Sweep);
  ShowAndActivate();
  StartLoopingTone();
  QTest::mouseClick(generator->Logarithmic, Qt::LeftButton);
  EXPECT_TRUE(engine().Playing);
  EXPECT_EQ(Starts(), 1);
  PanelState state = generator->ReadPanelState();
  ASSERT_TRUE(state.Logarithmic);
  PcmBuffer expected;
  SynthesizeSignal(state, {}, expected);
  EXPECT_EQ(waveOut.LastCall("Write")->buffer, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
}

TEST_F(ExportTest, CancelWritesNothingAndAParameterErrorShowsNoDialog) {
  generator->SaveWaveFile1Click();  // cancelled
  EXPECT_TRUE(QDir(folder.path()).isEmpty());
  SetText(generator->Amplitude, "-3.5");
  dialogs.nextFile = folder.filePath(name);
  EXPECT_THROW(generator->SaveWaveFile1Click(), AppError);
  EXPECT_EQ(dialogs.fileDialogs.size(), 1u);  // only the cancelled one
}

TEST_F(ExportTest, UnwritableFolderIsReportedByName) {
  const QString path = folder.filePath("missing/tone.pcm");
  dialogs.nextFile = path;
  try {
    generator->SaveWaveFile1Click();
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(QString(error.what()), "Cannot create file " + path);
  }
}

}  // namespace
}  // namespace sondrel
