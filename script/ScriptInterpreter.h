#pragma once
// Runs a script: each line's command works the main window's controls as a
// user would and plays tones and sweeps through the engine, one line at a
// time, while the script window shows where the run is.
//
//   tone  <Hz> <seconds> <dB> <wave> [channel word] [phase word]
//   sweep <Hz> <Hz> <seconds> <dB> <wave>
//   pause | delay <seconds> | repeat | rem ... | end

#include <functional>

#include "panel/Generator.h"
#include "script/ScriptLine.h"

namespace sondrel {

class ScriptFile;
class TScriptPopup;

class ScriptInterpreter : public ScriptRunner {
 public:
  ScriptInterpreter(TGenerator& generator, TScriptPopup& popup);

  void RunScript(const std::string& path) override;

  // A delay's pause between passes, and the rest before a repeat of a pass
  // that neither played nor waited; the main window's sleep unless a test
  // counts passes instead.
  std::function<void(int milliseconds)> sleep;

 private:
  void Execute(const ScriptWords& words, ScriptFile& file, int& lineCount);
  void Tone(const ScriptWords& words);
  void Sweep(const ScriptWords& words);
  void Delay(const std::string& seconds);
  void SelectWaveForm(const std::string& number);
  void WindUp(bool loopWasChecked);

  TGenerator& generator_;
  TScriptPopup& popup_;
  bool passWaited_ = false;  // a line since the last repeat played or waited
};

}  // namespace sondrel
