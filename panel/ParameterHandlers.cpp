// The handlers that react to edits of the panel: they clamp and round the
// frequency and amplitude, step by semitones, keep the engine's channel
// globals in step with the check boxes, move the frequency slider, and
// retune a playing tone by stopping it and starting it again. A handler
// reads Playing afresh at each step: any of them can run inside a waiting
// one-shot tone.
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "engine/NumberText.h"
#include "engine/PcmExport.h"
#include "engine/Synthesis.h"
#include "panel/Application.h"
#include "panel/ByteText.h"
#include "panel/FieldLimits.h"
#include "panel/FreqPopup.h"
#include "panel/Generator.h"
#include "panel/PageControl.h"
#include "panel/UiEvents.h"
#include "platform/HelpViewer.h"

namespace sondrel {

namespace {
// The frequencies that retune a playing tone: above 20 Hz, below 22000 Hz.
constexpr long double kRetuneLow = 20;
constexpr long double kRetuneHigh = 22000;
constexpr long double kSemitoneUp = 1.059463L;  // as written, not the twelfth root of two
constexpr long double kSemitoneDown = 1 / 1.059463L;

long double Read(const QLineEdit* box) { return StrToFloat(Bytes(box)); }
QString Digits(int32_t value) { return QString::fromStdString(IntToStr(value)); }
}  // namespace

void TGenerator::OnButtonClick() { engine_->OnButtonClick(); }

void TGenerator::fEditChange() {
  UpdateSoundNote();
  QWidget* page = SignalType->ActivePage();
  if (page == Noise || page == MultiTone || page == Burst) {
    // These pages have no frequency of the kind a tone retunes to: every edit restarts them.
    if (engine_->Playing) {
      engine_->StopTone();
      engine_->OnButtonClick();
    }
    return;
  }
  const long double f = Read(fEdit);
  if (f > kRetuneLow && f < kRetuneHigh) {
    if (FreqPopup) FreqPopup->SetSliderPosition(Round(1000 * std::log10(f * 0.5L)));
    if (engine_->Playing) {
      engine_->StopTone();
      engine_->OnButtonClick();
    }
  } else if (engine_->Playing) {
    engine_->StopTone();
  }
}

void TGenerator::fEditExit() {
  if (Read(fEdit) > kConstantCeilingHz) SetText(fEdit, Digits(kConstantCeilingHz));
  if (Read(fEdit) < kFrequencyFloorHz) SetText(fEdit, Digits(kFrequencyFloorHz));
  SetText(fEdit, Digits(Round(Read(fEdit))));
  if (engine_->Playing) engine_->OnButtonClick();
}

void TGenerator::AmplitudeExit() {
  if (Read(Amplitude) > kAmplitudeCeilingDb) SetText(Amplitude, Digits(kAmplitudeCeilingDb));
  if (Read(Amplitude) < kAmplitudeFloorDb) SetText(Amplitude, Digits(kAmplitudeFloorDb));
}

void TGenerator::UpDown1Changing(bool& allowChange) {
  // Restarts with the old amplitude; the spinner's text change then restarts
  // once more with the new one.
  if (engine_->Playing && allowChange) {
    engine_->StopTone();
    engine_->OnButtonClick();
  }
}

void TGenerator::fInitClick() {
  if (engine_->Playing) engine_->OnButtonClick();
}

void TGenerator::Button2Click(QObject* sender) {
  const long double f = Read(fEdit);
  const float g = static_cast<float>(sender == Button2 ? f * kSemitoneUp : f * kSemitoneDown);
  if (g < kConstantSpinnerCeilingHz) SetText(fEdit, Digits(Round(g)));
}

void TGenerator::LefttickClick() {
  UpdateChannelControls();
  InPhaseTickClick();  // retunes a playing tone onto the channels now ticked
}

void TGenerator::InPhaseTickClick() {
  engine_->PhaseSign = InPhaseTick->isChecked() ? 1 : -1;
  fEditChange();
}

void TGenerator::Exit1Click() {
  if (engine_->Playing) engine_->StopTone();
  close();
}

void TGenerator::FreqSlider1Click() {
  FreqSlider1->setChecked(!FreqSlider1->isChecked());
  if (FreqPopup) FreqPopup->setVisible(FreqSlider1->isChecked());
  SignalType->SetActivePage(Constant);
}

void TGenerator::Compatibilitysettings1Click() {
  engine_->StopTone();
  if (!SettingsForm) return;
  SetMainWindowEnabled(false);
  SettingsForm->show();
  // The keyboard goes with the window: the main window no longer takes it.
  SettingsForm->raise();
  SettingsForm->activateWindow();
}

void TGenerator::SaveWaveFile1Click() {
  engine_->StopTone();
  const PanelState state = ReadPanelState();
  PcmBuffer samples;  // freed when this handler ends, whatever happens
  {
    BusyPointer busy(*this);
    SynthesizeSignal(state, engine_->Gains(), samples);
  }
  const std::optional<QString> path = Dialogs().GetSaveFileName(this, SaveDialog1);
  if (!path) return;
  const std::string file = QFile::encodeName(*path).toStdString();
  if (QFileInfo(*path).suffix().compare("wav", Qt::CaseInsensitive) == 0) {
    const bool stereo = StereoLayout(engine_->LeftGain, engine_->RightGain, engine_->PhaseSign, StereoAlways(state));
    WriteWaveFile(file, samples, stereo ? 2 : 1, state.SampleRate);
  } else {
    WritePcmFile(file, samples);
  }
}

void TGenerator::About2Click() {
  if (!AboutBox) return;
  SetMainWindowEnabled(false);
  AboutBox->show();
}

void TGenerator::RunScript(const std::string& path) {
  if (Scripts != nullptr) Scripts->RunScript(path);
}

void TGenerator::RunScript1Click() {
  engine_->StopTone();
  if (const std::optional<QString> path = Dialogs().GetOpenFileName(this, OpenDialog2)) {
    RunScript(QFile::encodeName(*path).toStdString());
  }
}

void TGenerator::Help1Click() { ShowHelpTopic(HelpFileName().toStdString(), "IDH_1"); }

}  // namespace sondrel
