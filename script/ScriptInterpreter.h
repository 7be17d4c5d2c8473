#pragma once
// The window's script run: each line works the main window's controls as a
// user would and plays its signal through the engine, while the script
// window shows where the run is. The language itself is ScriptRun's; this
// class is its host in the window.

#include <functional>

#include "panel/Generator.h"
#include "script/ScriptHost.h"

namespace sondrel {

class TScriptPopup;

class ScriptInterpreter : public ScriptRunner, private ScriptHost {
 public:
  ScriptInterpreter(TGenerator& generator, TScriptPopup& popup);

  void RunScript(const std::string& path) override;

  // A delay's pause between passes, and the rest before a repeat of a pass
  // that neither played nor waited; the main window's sleep unless a test
  // counts passes instead.
  std::function<void(int milliseconds)> sleep;

 private:
  // ScriptHost
  bool ReadyForLine() override;
  void BeginLine(int lineCount, const std::string& command, const std::string& line) override;
  void EndLine() override;
  void ShowPage(SignalPage page) override;
  void SetField(ScriptField field, const std::string& text) override;
  void SetWaveForm(int32_t index) override;
  void SetNoiseColour(int32_t index, const NoiseBand& band) override;
  void SetBurstWindow(int32_t index) override;
  void SetFade(int32_t ms) override;
  void SetNoiseChannels(bool independent) override;
  void SetChannels(bool left, bool right, bool inPhase) override;
  const SpeakerLayout& Layout() const override;
  void SetSpeakers(SpeakerSet chosen) override;
  bool SetLogarithmic(bool checked) override;
  void Play() override;
  bool DelayPass() override;
  void Pause(const std::string& message) override;
  void StartOver(int lineCount) override;
  void End() override;
  void InvalidCommand(const std::string& message) override;

  void WindUp(bool loopWasChecked);

  TGenerator& generator_;
  TScriptPopup& popup_;
  bool firstLine_ = true;
  bool passWaited_ = false;  // a line since the last repeat played or waited
};

}  // namespace sondrel
