// Running scripts against the real main window with a recording device.
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QElapsedTimer>
#include <QPushButton>
#include <sys/resource.h>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptPopup.h"
#include "tests/panel/PanelFixture.h"
#include "tests/script/DelayCases.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/PanelStates.h"

namespace sondrel {
namespace {

// The controls as they stood when a tone was queued.
struct Snapshot {
  std::string label, fEdit, fInit, fFinal, duration, amplitude;
  int waveForm;
  bool constantPage, left, right, inPhase, loop;
  bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
  return out << s.label << " f=" << s.fEdit << " " << s.fInit << "-" << s.fFinal << " d=" << s.duration
             << " a=" << s.amplitude << " w=" << s.waveForm << " page=" << (s.constantPage ? "C" : "S")
             << " L=" << s.left << " R=" << s.right << " phase=" << s.inPhase << " loop=" << s.loop;
}

class ScriptInterpreterTest : public PanelFixture {
 protected:
  ScriptInterpreterTest() {
    popup = new TScriptPopup(*generator);
    interpreter = std::make_unique<ScriptInterpreter>(*generator, *popup);
    interpreter->sleep = [this](int milliseconds) {
      sleeps.push_back(milliseconds);
      if (onSleep) onSleep(static_cast<int>(sleeps.size()));
    };
    waveOut.finishAtOnce = true;
    waveOut.onWrite = [this] { snapshots.push_back(Take()); };
  }

  Snapshot Take() const {
    const TGenerator& g = *generator;
    return {popup->Label1->text().toStdString(), g.fEdit->text().toStdString(), g.fInit->text().toStdString(),
            g.fFinal->text().toStdString(), g.Duration->text().toStdString(), g.Amplitude->text().toStdString(),
            g.WaveForm->currentIndex(), g.SignalType->ActivePage() == g.Constant, g.Lefttick->isChecked(),
            g.RightTick->isChecked(), g.InPhaseTick->isChecked(), g.Loop->isChecked()};
  }

  // Scripts are bytes: written as they stand, no encoding applied.
  QString Script(const QByteArray& bytes) {
    const QString path = folder.filePath("test.kvs");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  void Run(const QByteArray& bytes) { generator->RunScript(Script(bytes)); }
  void Run(const QString& text) { Run(text.toLatin1()); }
  void Run(const char* text) { Run(QByteArray(text)); }

  void ExpectWoundUp() {
    EXPECT_TRUE(generator->isEnabled());
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(engine().Playing);
  }

  QTemporaryDir folder;
  TScriptPopup* popup = nullptr;
  std::unique_ptr<ScriptInterpreter> interpreter;
  std::vector<Snapshot> snapshots;
  std::vector<int> sleeps;  // the delays' passes
  std::function<void(int pass)> onSleep;
};

TEST_F(ScriptInterpreterTest, SampleScriptLineByLine) {
  std::vector<std::string> labelsAtPause;
  dialogs.onMessage = [&](const QString&) { labelsAtPause.push_back(popup->Label1->text().toStdString()); };
  Run(QByteArray("rem calibration run\r\n"
      "tone 1000 2 -6 0\r\n"
      "tone 440 1 -10 1 L\r\n"
      "delay 1.5\r\n"
      "sweep 100 10000 5 -20 2\r\n"
      "pause\r\n"
      "end\r\n"));
  ASSERT_EQ(snapshots.size(), 3u);
  EXPECT_EQ(snapshots[0], (Snapshot{"Line 2: tone", "1000", "100", "10000", "2", "-6", 0, true, true, true, true, false}));
  EXPECT_EQ(snapshots[1], (Snapshot{"Line 3: tone", "440", "100", "10000", "1", "-10", 1, true, true, false, true, false}));
  EXPECT_EQ(snapshots[2], (Snapshot{"Line 5: sweep", "440", "100", "10000", "5", "-20", 2, false, true, false, true, false}));
  EXPECT_EQ(sleeps, std::vector<int>(15, 100));  // the delay's passes
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Pause in script. Press OK to continue");
  EXPECT_EQ(labelsAtPause, std::vector<std::string>{"Line 6: pause"});
  EXPECT_EQ(popup->windowTitle(), "Kelvo 2.4 Script");
  EXPECT_TRUE(generator->Loop->isChecked());  // restored
  EXPECT_EQ(engine().RightGain, 0);           // the script leaves the last values
  EXPECT_EQ(generator->SignalType->ActivePage(), generator->Sweep);
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, TheMainWindowIsDisabledDuringARun) {
  bool enabledDuringTone = true;
  waveOut.onWrite = [&] { enabledDuringTone = generator->isEnabled(); };
  SetChecked(generator->Loop, false);
  Run("tone 500 1 0 0\r\nend\r\n");
  EXPECT_FALSE(enabledDuringTone);
  EXPECT_FALSE(generator->Loop->isChecked());  // restored to what it was
  ExpectWoundUp();
}

struct ChannelLine {
  const char* words;
  bool left, right, inPhase;
};
void PrintTo(const ChannelLine& c, std::ostream* out) { *out << "'" << c.words << "'"; }

class ScriptChannelTest : public ScriptInterpreterTest, public ::testing::WithParamInterface<ChannelLine> {};

TEST_P(ScriptChannelTest, ChannelAndPhaseWordsSetTheBoxes) {
  Run(QString("tone 1000 1 0 0 %1\r\nend\r\n").arg(GetParam().words));
  ASSERT_EQ(snapshots.size(), 1u);
  EXPECT_EQ(snapshots[0].left, GetParam().left);
  EXPECT_EQ(snapshots[0].right, GetParam().right);
  EXPECT_EQ(snapshots[0].inPhase, GetParam().inPhase);
}

INSTANTIATE_TEST_SUITE_P(Words, ScriptChannelTest,
                         ::testing::Values(ChannelLine{"R", true, true, true}, ChannelLine{"LR", true, true, true},
                                           ChannelLine{"L xyz", true, false, false},
                                           ChannelLine{"L xy", true, false, true},
                                           ChannelLine{"R inv", true, true, false}), CaseName());

// In Stereo a speaker list sets the Left and Right boxes, which the sweep
// after it keeps.
TEST_F(ScriptInterpreterTest, ASpeakerListSetsTheChannelBoxesForTheSweepAfterIt) {
  Run("tone 1000 0.1 0 0 L\r\nspeakers FR\r\nsweep 100 200 0.1 0 0\r\nend\r\n");
  ASSERT_EQ(snapshots.size(), 2u);
  EXPECT_FALSE(snapshots[1].left);
  EXPECT_TRUE(snapshots[1].right);
}

// In a surround layout a speaker list ticks the map's toggles, and the
// signal lines after it play on those speakers' channels alone (5.1: FL FR
// FC LFE RL RR); a speaker the layout lacks stops the run with its line.
TEST_F(ScriptInterpreterTest, InASurroundLayoutASpeakerListTicksTheSpeakerMap) {
  generator->ReadStoredOptions = [] {
    StoredOptions options;
    options.speakers = SpeakerLayoutId::FivePointOne;
    return options;
  };
  generator->FollowSpeakerLayout();
  std::vector<std::vector<int>> sounding;  // by write, the channels holding sound
  waveOut.onWrite = [&] {
    const RecordingWaveOut::Call* write = waveOut.LastCall("Write");
    const auto* samples = reinterpret_cast<const int16_t*>(write->buffer.data());
    std::vector<int> channels;
    for (int channel = 0; channel < 6; ++channel) {
      for (size_t at = channel; at < write->buffer.size() / 2; at += 6) {
        if (samples[at] != 0) {
          channels.push_back(channel);
          break;
        }
      }
    }
    sounding.push_back(channels);
  };
  try {
    Run("speakers FC\r\ntone 1000 0.1 0 0\r\nspeakers FL,LFE\r\nsweep 100 200 0.1 0 0\r\n"
        "speakers all\r\ntone 1000 0.1 0 0\r\nspeakers SL\r\ntone 1000 0.1 0 0\r\nend\r\n");
    ADD_FAILURE() << "the run went past SL";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "'SL' is not a speaker of the 5.1 layout");
  }
  EXPECT_EQ(sounding, (std::vector<std::vector<int>>{{2}, {0, 3}, {0, 1, 2, 3, 4, 5}}));
  ExpectWoundUp();
}

// A band the list has is selected; another joins the list once, as a
// script set it, and plays exactly as the render of the same line.
TEST_F(ScriptInterpreterTest, APinkBandSelectsItsEntryOrAddsOne) {
  std::vector<std::pair<int, NoiseBand>> played;
  waveOut.onWrite = [this, &played] {
    const PanelState state = generator->ReadPanelState();
    played.push_back({generator->NoiseColour->currentIndex(), state.Band});
    EXPECT_EQ(state.NoiseColour, kPink);
  };
  Run("noise pink:500-2000 0.05 -20\r\nnoise pink:125-250 0.05 -20\r\nnoise pink:30-80 0.05 -20\r\n"
      "noise pink:40-400 0.05 -20\r\nnoise pink 0.05 -20\r\nend\r\n");
  const std::vector<std::pair<int, NoiseBand>> expected = {
      {3, kSpeakerLevelBand}, {5, {125, 250}}, {4, kSubwooferLevelBand}, {5, {40, 400}}, {1, {}}};
  EXPECT_EQ(played, expected);
  ASSERT_EQ(generator->NoiseColour->count(), 6);
  EXPECT_EQ(generator->NoiseColour->itemText(5), "Pink, 40-400 Hz");
  EXPECT_EQ(generator->NoiseColour->itemText(3), "Pink, speaker level (500 Hz-2 kHz)");
}

TEST_F(ScriptInterpreterTest, ChannelWordBSilencesBothAndTheToneCannotStart) {
  Run("tone 1000 1 0 0 B\r\nend\r\n");
  EXPECT_FALSE(generator->Lefttick->isChecked());
  EXPECT_FALSE(generator->RightTick->isChecked());
  EXPECT_FALSE(generator->OnButton->isEnabled());
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, UnknownWaveFormSelectsNothingAndStillPlays) {
  Run("tone 1000 1 0 7\r\nend\r\n");
  ASSERT_EQ(snapshots.size(), 1u);
  EXPECT_EQ(snapshots[0].waveForm, -1);
  EXPECT_EQ(waveOut.LastCall("Write")->buffer, std::vector<uint8_t>(882, 0));
}

TEST_F(ScriptInterpreterTest, RepeatStartsTheCountAgain) {
  int tones = 0;
  waveOut.onWrite = [&] {
    snapshots.push_back(Take());
    if (++tones == 3) popup->close();  // the user gives up during the third tone
  };
  Run("tone 300 1 0 0\r\nrepeat\r\n");
  ASSERT_EQ(snapshots.size(), 3u);
  for (const Snapshot& snapshot : snapshots) EXPECT_EQ(snapshot.label, "Line 1: tone");
  ExpectWoundUp();
}

// A word of any length and any bytes reaches the engine as it stands.
TEST_F(ScriptInterpreterTest, LongAndNonUtf8WordsReachTheEngineWhole) {
  const QByteArray padded = QByteArray(39996, '0') + "1000";
  Run(QByteArray("tone ") + padded + " 0.2 -6 0\r\nend\r\n");
  ASSERT_EQ(snapshots.size(), 1u);
  const std::vector<uint8_t> played = waveOut.LastCall("Write")->buffer;
  waveOut.calls.clear();
  Run("tone 1000 0.2 -6 0\r\nend\r\n");
  EXPECT_EQ(played, waveOut.LastCall("Write")->buffer);  // the same 1000 Hz tone, not silence

  try {
    Run(QByteArray("tone 1000\xe9 0.2 -6 0\r\nend\r\n"));
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "'1000\xe9' is not a valid floating point value");  // the script's own byte
  }
}

// What a script says is shown as it stands, never as markup.
TEST_F(ScriptInterpreterTest, TheScriptWindowShowsWordsAsPlainText) {
  std::string label;
  dialogs.onMessage = [&](const QString&) { label = popup->Label1->text().toStdString(); };
  Run("<b>bold</b>\r\n");
  EXPECT_EQ(label, "Line 1: <b>bold</b>");
  EXPECT_EQ(popup->Label1->textFormat(), Qt::PlainText);
}

class IdleRepeatTest : public ScriptInterpreterTest, public ::testing::WithParamInterface<const char*> {};

// A pass with nothing to play or wait for rests before it repeats, and the
// script window's Cancel gets through between lines.
TEST_P(IdleRepeatTest, RestsBeforeEachRepeatAndCancelEndsTheRun) {
  onSleep = [this](int pass) {
    if (pass == 5) QTimer::singleShot(0, popup->Button1, &QPushButton::click);
  };
  Run(GetParam());
  EXPECT_EQ(sleeps, std::vector<int>(5, 50));
  ExpectWoundUp();
}

INSTANTIATE_TEST_SUITE_P(Scripts, IdleRepeatTest,
                         ::testing::Values("repeat\r\n", "rem one\r\nrem two\r\nrepeat\r\n",
                                           "rem\r\nrepeat and more words\r\n"), CaseName());

TEST_F(ScriptInterpreterTest, APassThatPlayedRepeatsWithoutRest) {
  int tones = 0;
  waveOut.onWrite = [&] {
    if (++tones == 3) popup->close();
  };
  Run("tone 300 1 0 0\r\nrem\r\nrepeat\r\n");
  EXPECT_TRUE(sleeps.empty());
}

static double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The same with real sleeps, as a user meets it: the window's close box ends
// the run, and the idle repeats cost a small part of one core.
TEST_F(ScriptInterpreterTest, AnIdleRepeatingScriptBarelyUsesTheProcessor) {
  interpreter->sleep = [this](int milliseconds) { generator->Sleep(milliseconds); };
  QTimer::singleShot(1000, popup, &QWidget::close);
  QElapsedTimer clock;
  clock.start();
  const double before = ProcessCpuSeconds();
  Run("rem nothing to play\r\nrepeat\r\n");
  const double used = ProcessCpuSeconds() - before;
  const double elapsed = clock.elapsed() / 1000.0;
  ExpectWoundUp();
  EXPECT_LT(used, 0.1 * elapsed) << used << " s of processor time in " << elapsed << " s";
}

class DelayPassTest : public ScriptInterpreterTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(DelayPassTest, MakesAtLeastOnePass) {
  Run(QString("delay %1\r\nend\r\n").arg(GetParam().seconds));
  EXPECT_EQ(static_cast<int>(sleeps.size()), GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(Times, DelayPassTest, kDelayCases, DelayCaseName);

TEST_F(ScriptInterpreterTest, DelayThatIsNotANumberStopsAfterOnePass) {
  try {
    Run("delay abc\r\nend\r\n");
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(sleeps.size(), 1u);
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, NextCutsADelayAndTheRequestCarriesOver) {
  onSleep = [this](int pass) {
    if (pass == 3) popup->Button2->click();
  };
  Run("delay 10\r\ndelay 10\r\nend\r\n");
  EXPECT_EQ(sleeps.size(), 4u);  // three passes, then one for the second delay
  EXPECT_TRUE(engine().StopRequested);
  sleeps.clear();
  onSleep = nullptr;
  Run("delay 5\r\ntone 1000 0.01 0 0\r\ndelay 0.3\r\nend\r\n");  // into the next run, until a tone starts
  EXPECT_EQ(sleeps.size(), 1u + 3u);
}

TEST_F(ScriptInterpreterTest, NextStopsAToneAndTheRunGoesOn) {
  waveOut.finishAtOnce = false;  // the tones would play until stopped
  waveOut.onWrite = [this] {
    snapshots.push_back(Take());
    QTimer::singleShot(0, popup->Button2, [this] { popup->Button2->click(); });
  };
  Run("tone 1000 60 0 0\r\ntone 500 60 0 0\r\nend\r\n");
  EXPECT_EQ(snapshots.size(), 2u);
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, CancelDuringAToneEndsTheRunAfterIt) {
  waveOut.finishAtOnce = false;
  waveOut.onWrite = [this] {
    snapshots.push_back(Take());
    QTimer::singleShot(0, popup->Button1, [this] { popup->Button1->click(); });
  };
  Run("tone 1000 60 0 0\r\ntone 500 60 0 0\r\nend\r\n");
  EXPECT_EQ(snapshots.size(), 1u);
  EXPECT_TRUE(generator->isVisible());  // brought to the front
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, CancelDuringADelayLetsTheDelayFinish) {
  onSleep = [this](int pass) {
    if (pass == 2) popup->close();
  };
  Run("delay 0.5\r\ntone 1000 1 0 0\r\nend\r\n");
  EXPECT_EQ(sleeps.size(), 5u);
  EXPECT_TRUE(snapshots.empty());
  ExpectWoundUp();
}

struct InvalidCase {
  const char* script;
  const char* message;
};
void PrintTo(const InvalidCase& c, std::ostream* out) { *out << "'" << c.script << "'"; }

class InvalidCommandTest : public ScriptInterpreterTest, public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidCommandTest, ShowsTheLineAndEndsTheRun) {
  Run(QByteArray(GetParam().script));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, GetParam().message);
  ExpectWoundUp();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, InvalidCommandTest,
    ::testing::Values(InvalidCase{"rem\r\nTone 1000 1 0 0\r\n", "Invalid command in line 2"},
                      InvalidCase{" tone 1000 1 0 0\r\n", "Invalid command in line 1"},
                      InvalidCase{"rem\r\n\r\nend\r\n", "Invalid command in line 2"},
                      InvalidCase{"rem a\r\nrem b\r\n", "Invalid command in line 3"},
                      InvalidCase{"rem a\nbogus\nend\n", "Invalid command in line 2"},  // Linux line ends
                      InvalidCase{"\xEF\xBB\xBF" "end\r\n", "Invalid command in line 1"}), CaseName());

TEST_F(ScriptInterpreterTest, EndIgnoresItsWordsAndLongCommentsAreFine) {
  Run("rem a b c d e f g h i j k\r\nend of the test, really\r\n");
  EXPECT_TRUE(dialogs.messages.empty());
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, ConversionErrorsStopTheRunAtTheirLine) {
  for (const char* script : {"tone 1000 1 0 x\r\nend\r\n", "tone 1000 1 0\r\nend\r\n", "sweep 100 200 1 -3.5 0\r\nend\r\n"}) {
    EXPECT_THROW(Run(QByteArray(script)), AppError) << script;
    ExpectWoundUp();
  }
}

TEST_F(ScriptInterpreterTest, MissingFileStopsBeforeTheFirstLine) {
  try {
    generator->RunScript(folder.filePath("missing.kvs"));
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, RunScriptMenuStopsTheToneAndUsesItsDialog) {
  StartLoopingTone();
  snapshots.clear();
  generator->RunScript1Click();  // cancelled
  EXPECT_FALSE(engine().Playing);
  ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
  EXPECT_EQ(dialogs.fileDialogs[0].filter, "Kelvo Script|*.kvs|All Files|*.*");
  dialogs.nextFile = Script("tone 1000 1 0 0\r\nend\r\n");
  generator->RunScript1Click();
  EXPECT_EQ(snapshots.size(), 1u);
}

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

// A noise line plays the Noise page, its colour and level, on the channels
// its words choose; the colour list has taken the wave form list's place.
TEST_F(ScriptInterpreterTest, NoiseLinePlaysTheNoisePage) {
  bool waveFormHidden = false;
  std::vector<uint8_t> queued;
  waveOut.onWrite = [&] {
    waveFormHidden = generator->WaveForm->isHidden();
    queued = waveOut.LastCall("Write")->buffer;
  };
  Run("noise brown 2 -12 L abc\r\nend\r\n");
  EXPECT_TRUE(waveFormHidden);
  EXPECT_EQ(generator->SignalType->ActivePage(), generator->Noise);
  EXPECT_EQ(generator->NoiseColour->currentText(), "Brown");
  EXPECT_EQ(generator->Duration->text(), "2");
  EXPECT_FALSE(generator->RightTick->isChecked());
  EXPECT_FALSE(generator->InPhaseTick->isChecked());  // one channel: the box is put back in phase
  PanelState state;
  state.SignalType = SignalPage::Noise;
  state.NoiseColour = kBrown;
  state.Amplitude = "-12";
  PcmBuffer expected;
  SynthesizeSignal(state, {1, 0, 1}, expected);
  EXPECT_EQ(queued, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  EXPECT_EQ(waveOut.LastCall("Write")->playLimit, 88200u * 2 * 2);
  ExpectWoundUp();
}

// The multi-tone's line fills the page's list and plays its period for the
// duration to the frame, on the channels the boxes chose before.
TEST_F(ScriptInterpreterTest, MultiToneLinePlaysTheMultiTonePage) {
  std::vector<uint8_t> queued;
  waveOut.onWrite = [&] { queued = waveOut.LastCall("Write")->buffer; };
  Run("tone 1000 0.05 0 0 L\r\nmultitone 0.5 -6 19000,20000\r\nend\r\n");
  EXPECT_EQ(generator->SignalType->ActivePage(), generator->MultiTone);
  EXPECT_EQ(generator->ToneList->text(), "19000,20000");
  PanelState state;
  state.SignalType = SignalPage::MultiTone;
  state.ToneList = "19000,20000";
  state.Amplitude = "-6";
  PcmBuffer expected;
  SynthesizeSignal(state, {1, 0, 1}, expected);
  EXPECT_EQ(queued, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  EXPECT_EQ(waveOut.LastCall("Write")->playLimit, 22050u * 2 * 2);
  ExpectWoundUp();
}

// The burst's line fills the page and plays its period for the duration to
// the frame, in the window the line names.
TEST_F(ScriptInterpreterTest, BurstLinePlaysTheBurstPage) {
  std::vector<uint8_t> queued;
  waveOut.onWrite = [&] { queued = waveOut.LastCall("Write")->buffer; };
  Run("burst 1000 2 0.01 0.5 -6 rect\r\nend\r\n");
  TGenerator& g = *generator;
  EXPECT_EQ(g.SignalType->ActivePage(), g.Burst);
  EXPECT_EQ(g.BurstWindow->currentText(), "Rectangular");
  const PanelState state = testing_support::BurstPanel("1000", "2", "0.01", "-6", kRectangularWindow);
  PcmBuffer expected;
  SynthesizeSignal(state, {1, 1, 1}, expected);
  EXPECT_EQ(queued, std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
  EXPECT_EQ(waveOut.LastCall("Write")->playLimit, 22050u * 2);
  ExpectWoundUp();
}

// The box shows the law while the sweep plays and is given back after, so a
// later "sweep" line is linear again.
TEST_F(ScriptInterpreterTest, LogSweepTicksTheBoxOnlyWhileItPlays) {
  std::vector<bool> ticked;
  waveOut.onWrite = [&] { ticked.push_back(generator->Logarithmic->isChecked()); };
  Run("logsweep 20 20000 1 -6 0\r\nsweep 20 20000 1 -6 0\r\nend\r\n");
  EXPECT_EQ(ticked, (std::vector<bool>{true, false}));
  EXPECT_FALSE(generator->Logarithmic->isChecked());
  ExpectWoundUp();
}

TEST_F(ScriptInterpreterTest, AnUnknownColourStopsTheRunAtItsLine) {
  try {
    Run("rem\r\nnoise grey 1 0\r\nend\r\n");
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "'grey' is not a valid noise colour");
  }
  EXPECT_TRUE(snapshots.empty());
  ExpectWoundUp();
}

}  // namespace
}  // namespace sondrel
