#pragma once
// The script language in one place: reads a script line by line, cuts each
// line into words and decides what its command sets and does, with the
// delay's passes, "repeat" and "end". A ScriptHost carries out what the run
// decides, so the window's run, a render and a terminal's play all speak
// exactly the same language.
//
//   tone     <Hz> <seconds> <dB> <wave> [channel word] [phase word]
//   sweep    <Hz> <Hz> <seconds> <dB> <wave>
//   logsweep <Hz> <Hz> <seconds> <dB> <wave>       equal time per octave
//   noise    white|pink|brown <seconds> <dB> [channel word] [phase word]
//   multitone <seconds> <dB> <Hz[:weight],Hz[:weight],...>  peak at <dB>
//   burst    <Hz> <cycles> <every seconds> <seconds> <dB> [hann|rect]
//   pause | delay <seconds> | repeat | rem ... | end
//
// A line the language does not know ends the run with "Invalid command in
// line N". Conversion errors are thrown as AppError and stop the run at
// their line.

#include <cstddef>
#include <string>

#include "script/ScriptHost.h"
#include "script/ScriptLine.h"

namespace sondrel {

class ScriptFile;

// A longer line stops the run: no real script has one, and an endless
// stream of bytes would otherwise fill the memory.
inline constexpr size_t kLongestScriptLine = size_t{1} << 20;

class ScriptRun {
 public:
  ScriptRun(ScriptFile& file, ScriptHost& host) : file_(file), host_(host) {}

  // Runs the script until it ends, the host stops it or an error does.
  void Run();

 private:
  // False once the run has ended (end, an invalid command).
  bool Execute(const ScriptWords& words);
  void Tone(const ScriptWords& words);
  void Sweep(const ScriptWords& words, bool logarithmic);
  void Noise(const ScriptWords& words);
  void MultiTone(const ScriptWords& words);
  void Burst(const ScriptWords& words);
  void Dtmf(const ScriptWords& words);
  // The channel boxes from a channel word, the phase box from a phase word.
  void SetChannels(const std::string& channelWord, const std::string& phaseWord);
  void Delay(const std::string& seconds);

  ScriptFile& file_;
  ScriptHost& host_;
  int lineCount_ = 0;  // lines read since the start or the last repeat
};

}  // namespace sondrel
