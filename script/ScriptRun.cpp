#include "script/ScriptRun.h"

#include <cstdint>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/tones/Dtmf.h"
#include "script/ScriptFile.h"

namespace sondrel {

void ScriptRun::Run() {
  lineCount_ = 0;
  while (host_.ReadyForLine()) {
    const std::string line = file_.ReadLine();
    ++lineCount_;
    if (line.size() > kLongestScriptLine) {
      throw AppError("Line " + IntToStr(lineCount_) + " is longer than 1 MiB: no script line is that long");
    }
    const ScriptWords words = SplitWords(line);
    host_.BeginLine(lineCount_, words[0], line);
    const bool goesOn = Execute(words);
    host_.EndLine();
    if (!goesOn) return;
  }
}

bool ScriptRun::Execute(const ScriptWords& words) {
  const std::string& command = words[0];
  if (command == "tone") {
    Tone(words);
  } else if (command == "sweep") {
    Sweep(words, false);
  } else if (command == "logsweep") {
    Sweep(words, true);
  } else if (command == "noise") {
    Noise(words);
  } else if (command == "multitone") {
    MultiTone(words);
  } else if (command == "burst") {
    Burst(words);
  } else if (command == "dtmf") {
    Dtmf(words);
  } else if (command == "pause") {
    host_.Pause("Pause in script. Press OK to continue");
  } else if (command == "delay") {
    Delay(words[1]);
  } else if (command == "repeat") {
    host_.StartOver(lineCount_);
    file_.Rewind();
    lineCount_ = 0;
  } else if (command == "noisechannels") {
    host_.SetNoiseChannels(NoiseIndependentOf(words[1]));
  } else if (command == "fade") {
    host_.SetFade(FadeMsOf(words[1]));
  } else if (command == "speakers") {
    host_.SetSpeakers(SpeakerListOf(words[1], host_.Layout()));
  } else if (command == "rem") {
  } else if (command == "end") {
    host_.End();
    return false;
  } else {
    host_.InvalidCommand("Invalid command in line " + IntToStr(lineCount_));
    return false;
  }
  return true;
}

void ScriptRun::Tone(const ScriptWords& words) {
  host_.ShowPage(SignalPage::Constant);
  host_.SetField(ScriptField::fEdit, words[1]);
  host_.SetField(ScriptField::Duration, words[2]);
  host_.SetField(ScriptField::Amplitude, words[3]);
  host_.SetWaveForm(WaveFormOf(words[4]));
  SetChannels(words[5], words[6]);
  host_.Play();
}

// A sweep keeps the channel boxes as they are. A logarithmic one ticks the
// "Log Sweep" box while it plays and gives the box its state back after, so
// that "sweep" lines stay linear whatever came before them.
void ScriptRun::Sweep(const ScriptWords& words, bool logarithmic) {
  host_.ShowPage(SignalPage::Sweep);
  const bool wasLogarithmic = logarithmic ? host_.SetLogarithmic(true) : false;
  try {
    host_.SetField(ScriptField::fInit, words[1]);
    host_.SetField(ScriptField::fFinal, words[2]);
    host_.SetField(ScriptField::Duration, words[3]);
    host_.SetField(ScriptField::Amplitude, words[4]);
    host_.SetWaveForm(WaveFormOf(words[5]));
    host_.Play();
  } catch (...) {
    if (logarithmic) host_.SetLogarithmic(wasLogarithmic);
    throw;
  }
  if (logarithmic) host_.SetLogarithmic(wasLogarithmic);
}

void ScriptRun::Noise(const ScriptWords& words) {
  host_.ShowPage(SignalPage::Noise);
  host_.SetField(ScriptField::Duration, words[2]);
  host_.SetField(ScriptField::Amplitude, words[3]);
  const NoiseChoice colour = NoiseColourOf(words[1]);
  host_.SetNoiseColour(colour.colour, colour.band);
  SetChannels(words[4], words[5]);
  host_.Play();
}

// A multi-tone keeps the channel boxes as they are, as a sweep does.
void ScriptRun::MultiTone(const ScriptWords& words) {
  host_.ShowPage(SignalPage::MultiTone);
  host_.SetField(ScriptField::Duration, words[1]);
  host_.SetField(ScriptField::Amplitude, words[2]);
  host_.SetField(ScriptField::ToneList, words[3]);
  host_.Play();
}

// DTMF keeps the channel boxes as they are, as a multi-tone does; a missing
// tone or gap length is the usual 100 ms and 70 ms.
void ScriptRun::Dtmf(const ScriptWords& words) {
  host_.ShowPage(SignalPage::Dtmf);
  host_.SetField(ScriptField::DtmfDigits, words[1]);
  host_.SetField(ScriptField::Amplitude, words[2]);
  host_.SetField(ScriptField::DtmfToneMs, words[3].empty() ? kDefaultDtmfToneMs : words[3]);
  host_.SetField(ScriptField::DtmfGapMs, words[4].empty() ? kDefaultDtmfGapMs : words[4]);
  host_.Play();
}

// A burst keeps the channel boxes as they are: its line has no room for them.
void ScriptRun::Burst(const ScriptWords& words) {
  host_.ShowPage(SignalPage::Burst);
  host_.SetField(ScriptField::BurstFrequency, words[1]);
  host_.SetField(ScriptField::BurstCycles, words[2]);
  host_.SetField(ScriptField::BurstPeriod, words[3]);
  host_.SetField(ScriptField::Duration, words[4]);
  host_.SetField(ScriptField::Amplitude, words[5]);
  host_.SetBurstWindow(BurstWindowOf(words[6]));
  host_.Play();
}

void ScriptRun::SetChannels(const std::string& channelWord, const std::string& phaseWord) {
  const ChannelChoice channels = ChannelsOf(channelWord);
  host_.SetChannels(channels.left, channels.right, InPhaseOf(phaseWord));
}

// No clock is read: the delay is a number of 100 ms passes, at least one,
// until passes >= seconds * 10. The time is converted anew after every pass,
// so a text that is not a number stops the run after the first one.
void ScriptRun::Delay(const std::string& seconds) {
  for (int64_t passes = 1;; ++passes) {
    if (!host_.DelayPass()) return;
    if (passes >= StrToFloat(seconds) * 10) return;
  }
}

}  // namespace sondrel
