#include "script/ScriptInterpreter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "engine/AppError.h"
#include "panel/ByteText.h"
#include "panel/PageControl.h"
#include "panel/SpeakerMap.h"
#include "panel/UiEvents.h"
#include "script/ScriptFile.h"
#include "script/ScriptPopup.h"
#include "script/ScriptRun.h"

namespace sondrel {

namespace {
// The rest taken before a repeat when the pass neither played nor waited, so
// that a script of comments and repeats idles instead of spinning a core.
constexpr int kIdlePassMs = 50;
}  // namespace

ScriptInterpreter::ScriptInterpreter(TGenerator& generator, TScriptPopup& popup)
    : sleep([&generator](int milliseconds) { generator.Sleep(milliseconds); }), generator_(generator), popup_(popup) {
  generator_.Scripts = this;
}

void ScriptInterpreter::RunScript(const std::string& path) {
  const bool loopWasChecked = generator_.Loop->isChecked();
  generator_.SetMainWindowEnabled(false);
  popup_.show();
  try {
    ScriptFile file(path);
    firstLine_ = true;
    passWaited_ = false;
    ScriptRun(file, *this).Run();
  } catch (...) {
    // A run that stops on an error ends like any other run.
    WindUp(loopWasChecked);
    throw;
  }
  WindUp(loopWasChecked);
}

bool ScriptInterpreter::ReadyForLine() {
  if (firstLine_) {
    firstLine_ = false;
    return true;
  }
  return popup_.isVisible() && !generator_.ApplicationQuitting();
}

void ScriptInterpreter::BeginLine(int lineCount, const std::string& command, const std::string&) {
  popup_.Label1->setText(QString("Line %1: %2").arg(lineCount).arg(ShownText(MessageExcerpt(command))));
}

// Every line lets the windows draw and take Cancel, whatever it did.
void ScriptInterpreter::EndLine() { generator_.ProcessMessages(); }

void ScriptInterpreter::ShowPage(SignalPage page) {
  TGenerator& g = generator_;
  g.Loop->setChecked(false);  // StartTone then plays once and waits for the end
  QWidget* pages[] = {g.Constant, g.Sweep, g.Noise, g.MultiTone, g.Burst, g.Dtmf};
  g.SignalType->SetActivePage(pages[static_cast<int>(page)]);
}

void ScriptInterpreter::SetField(ScriptField field, const std::string& text) {
  TGenerator& g = generator_;
  QLineEdit* boxes[] = {g.fEdit,    g.fInit,          g.fFinal,      g.Duration,   g.Amplitude,
                        g.ToneList, g.BurstFrequency, g.BurstCycles, g.BurstPeriod,
                        g.DtmfDigits, g.DtmfToneMs, g.DtmfGapMs};
  SetBytes(boxes[static_cast<int>(field)], text);
}

void ScriptInterpreter::SetWaveForm(int32_t index) { generator_.WaveForm->setCurrentIndex(index); }

void ScriptInterpreter::SetBurstWindow(int32_t index) { generator_.BurstWindow->setCurrentIndex(index); }

void ScriptInterpreter::SetFade(int32_t ms) { generator_.ScriptFadeMs = ms; }

void ScriptInterpreter::SetNoiseChannels(bool independent) { generator_.NoiseIndependent->setChecked(independent); }

void ScriptInterpreter::SetNoiseColour(int32_t index, const NoiseBand& band) {
  if (band.Limited()) {
    generator_.SelectNoiseBand(band);
  } else {
    generator_.NoiseColour->setCurrentIndex(index);
  }
}

void ScriptInterpreter::SetChannels(bool left, bool right, bool inPhase) {
  SetChecked(generator_.Lefttick, left);
  SetChecked(generator_.RightTick, right);
  SetChecked(generator_.InPhaseTick, inPhase);
}

const SpeakerLayout& ScriptInterpreter::Layout() const { return LayoutOf(generator_.SpeakerMap->Layout()); }

// In a surround layout the speaker map's toggles; in Stereo FL and FR are
// the Left and Right boxes.
void ScriptInterpreter::SetSpeakers(SpeakerSet chosen) {
  if (Layout().Surround()) {
    generator_.SpeakerMap->SetChosen(chosen);
    generator_.SpeakersClick();
    return;
  }
  SetChecked(generator_.Lefttick, (chosen & SpeakerBit(Speaker::FL)) != 0);
  SetChecked(generator_.RightTick, (chosen & SpeakerBit(Speaker::FR)) != 0);
}

bool ScriptInterpreter::SetLogarithmic(bool checked) {
  const bool was = generator_.Logarithmic->isChecked();
  generator_.Logarithmic->setChecked(checked);
  return was;
}

void ScriptInterpreter::Play() {
  passWaited_ = true;
  Playback& engine = generator_.Engine();
  engine.StopTone();  // StartTone wants no tone on; normally none is
  engine.StartTone();
}

// The script window's buttons act between two passes.
bool ScriptInterpreter::DelayPass() {
  passWaited_ = true;
  sleep(kDelayPassMs);
  generator_.ProcessMessages();
  return !generator_.Engine().StopRequested && !generator_.ApplicationQuitting();
}

void ScriptInterpreter::Pause(const std::string& message) {
  passWaited_ = true;
  Dialogs().ShowMessage(&popup_, QString::fromStdString(message));
}

void ScriptInterpreter::StartOver(int /*lineCount*/) {
  if (!passWaited_) sleep(kIdlePassMs);
  passWaited_ = false;
}

void ScriptInterpreter::End() { popup_.hide(); }

void ScriptInterpreter::InvalidCommand(const std::string& message) {
  Dialogs().ShowMessage(&popup_, QString::fromStdString(message));
  popup_.hide();
}

void ScriptInterpreter::WindUp(bool loopWasChecked) {
  generator_.ScriptFadeMs.reset();  // the window's own plays fade as the settings say
  generator_.Loop->setChecked(loopWasChecked);
  generator_.SetMainWindowEnabled(true);
  popup_.hide();
}

}  // namespace sondrel
