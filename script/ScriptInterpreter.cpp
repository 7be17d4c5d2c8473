#include "script/ScriptInterpreter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "engine/NumberText.h"
#include "panel/ByteText.h"
#include "panel/PageControl.h"
#include "panel/UiEvents.h"
#include "script/ScriptFile.h"
#include "script/ScriptPopup.h"

namespace sondrel {

namespace {
constexpr int kDelayPassMs = 100;
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
    int lineCount = 0;
    passWaited_ = false;
    do {
      const std::string line = file.ReadLine();
      ++lineCount;
      const ScriptWords words = SplitWords(line);
      popup_.Label1->setText(QString("Line %1: %2").arg(lineCount).arg(ShownText(words[0])));
      Execute(words, file, lineCount);
      // Every line lets the windows draw and take Cancel, whatever it did.
      generator_.ProcessMessages();
    } while (popup_.isVisible() && !generator_.ApplicationQuitting());
  } catch (...) {
    // A run that stops on an error ends like any other run.
    WindUp(loopWasChecked);
    throw;
  }
  WindUp(loopWasChecked);
}

void ScriptInterpreter::Execute(const ScriptWords& words, ScriptFile& file, int& lineCount) {
  const std::string& command = words[0];
  const bool waits = command == "tone" || command == "sweep" || command == "pause" || command == "delay";
  passWaited_ = passWaited_ || waits;
  if (command == "tone") {
    Tone(words);
  } else if (command == "sweep") {
    Sweep(words);
  } else if (command == "pause") {
    Dialogs().ShowMessage(&popup_, "Pause in script. Press OK to continue");
  } else if (command == "delay") {
    Delay(words[1]);
  } else if (command == "repeat") {
    if (!passWaited_) sleep(kIdlePassMs);
    passWaited_ = false;
    file.Rewind();
    lineCount = 0;
  } else if (command == "rem") {
  } else if (command == "end") {
    popup_.hide();
  } else {
    Dialogs().ShowMessage(&popup_, QString("Invalid command in line %1").arg(lineCount));
    popup_.hide();
  }
}

void ScriptInterpreter::Tone(const ScriptWords& words) {
  TGenerator& g = generator_;
  g.Loop->setChecked(false);  // StartTone then plays once and waits for the end
  g.SignalType->SetActivePage(g.Constant);
  SetBytes(g.fEdit, words[1]);
  SetBytes(g.Duration, words[2]);
  SetBytes(g.Amplitude, words[3]);
  SelectWaveForm(words[4]);
  const ChannelChoice channels = ChannelsOf(words[5]);
  SetChecked(g.Lefttick, channels.left);
  SetChecked(g.RightTick, channels.right);
  SetChecked(g.InPhaseTick, InPhaseOf(words[6]));
  g.Engine().StopTone();  // StartTone wants no tone on; normally none is
  g.Engine().StartTone();
}

void ScriptInterpreter::Sweep(const ScriptWords& words) {
  TGenerator& g = generator_;
  g.Loop->setChecked(false);
  g.SignalType->SetActivePage(g.Sweep);
  SetBytes(g.fInit, words[1]);
  SetBytes(g.fFinal, words[2]);
  SetBytes(g.Duration, words[3]);
  SetBytes(g.Amplitude, words[4]);
  SelectWaveForm(words[5]);
  g.Engine().StopTone();
  g.Engine().StartTone();
}

void ScriptInterpreter::Delay(const std::string& seconds) {
  // No clock is read: the delay is the sum of its 100 ms passes, and the
  // script window's buttons act between them.
  Playback& engine = generator_.Engine();
  for (int passes = 1;; ++passes) {
    sleep(kDelayPassMs);
    generator_.ProcessMessages();
    if (engine.StopRequested || generator_.ApplicationQuitting()) return;
    if (passes >= StrToFloat(seconds) * 10) return;  // converted anew on every pass
  }
}

void ScriptInterpreter::SelectWaveForm(const std::string& number) {
  generator_.WaveForm->setCurrentIndex(WaveFormOf(number));
}

void ScriptInterpreter::WindUp(bool loopWasChecked) {
  generator_.Loop->setChecked(loopWasChecked);
  generator_.SetMainWindowEnabled(true);
  popup_.hide();
}

}  // namespace sondrel
