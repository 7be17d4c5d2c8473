#pragma once
// A host that keeps a panel of its own in place of the window's controls:
// the controls' initial values, the stored options, and what each line
// writes. The render and the terminal's play build on it.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/PanelState.h"
#include "engine/Synthesis.h"
#include "script/ScriptHost.h"
#include "engine/SoundNotes.h"

namespace sondrel {

class PanelHost : public ScriptHost {
 public:
  explicit PanelHost(const SignalOptions& options) : layout_(LayoutOf(options.speakers)), speakers_(layout_.All()) {
    panel_.Loop = false;  // a script plays every signal once and waits for its end
    ApplySignalOptions(options, panel_);
  }

  void ShowPage(SignalPage page) override { panel_.SignalType = page; }
  void SetField(ScriptField field, const std::string& text) override {
    std::string* fields[] = {&panel_.fEdit,    &panel_.fInit,     &panel_.fFinal,
                             &panel_.Duration, &panel_.Amplitude, &panel_.ToneList,
                             &panel_.BurstFrequency, &panel_.BurstCycles, &panel_.BurstPeriod,
                             &panel_.DtmfDigits, &panel_.DtmfToneMs, &panel_.DtmfGapMs};
    *fields[static_cast<int>(field)] = text;
  }
  void SetWaveForm(int32_t index) override { panel_.WaveForm = index; }
  void SetNoiseChannels(bool independent) override { panel_.NoiseIndependent = independent; }
  void SetBurstWindow(int32_t index) override { panel_.BurstWindow = index; }
  void SetFade(int32_t ms) override { panel_.FadeMs = ms; }
  void SetNoiseColour(int32_t index, const NoiseBand& band) override {
    panel_.NoiseColour = index;
    panel_.Band = band;
  }
  void SetChannels(bool left, bool right, bool inPhase) override {
    gains_ = {left ? 1 : 0, right ? 1 : 0, inPhase ? 1 : -1};
  }
  const SpeakerLayout& Layout() const override { return layout_; }
  void SetSpeakers(SpeakerSet chosen) override {
    if (layout_.Surround()) {
      speakers_ = chosen;
    } else {
      gains_.LeftGain = (chosen & SpeakerBit(Speaker::FL)) != 0 ? 1 : 0;
      gains_.RightGain = (chosen & SpeakerBit(Speaker::FR)) != 0 ? 1 : 0;
    }
  }
  bool SetLogarithmic(bool checked) override { return std::exchange(panel_.Logarithmic, checked); }
  void End() override {}
  void BeginLine(int lineCount, const std::string& command, const std::string& line) override {
    line_ = lineCount;
    command_ = command;
    lineText_ = line;
  }

  // An error of the line running as a terminal says it: "line 3: ..." (the
  // window's texts, which name no line, stay as they are), with a hint where
  // the program's words would leave a user guessing.
  std::string LineProblem(const std::string& error) const {
    if (line_ == 0 || error.find(" in line ") != std::string::npos) return error;
    std::string problem = "line " + std::to_string(line_) + ": " + error;
    if (error == "'" + panel_.Amplitude + "' is not a valid integer value") problem += " (levels are whole decibels)";
    return problem;
  }
  // A terminal's words for a line whose command is not one of the language's.
  std::string NotACommand() const {
    return command_.empty() ? "an empty line is not a command (a script ends with \"end\")"
                            : "'" + command_ + "' is not a command";
  }

  // Told, once a line, what a signal line will not sound as written: its
  // number since the start or the last repeat, and the note.
  std::function<void(int line, const std::string& note)> onNote;

 protected:
  // What a signal is synthesized with: in a surround layout, one channel
  // that is then placed on the chosen speakers (SpeakerFactors).
  ChannelGains SignalGains() const { return layout_.Surround() ? ChannelGains{} : gains_; }
  bool Stereo() const {
    const ChannelGains gains = SignalGains();
    // In a surround layout independent noise is laid out on the speakers
    // themselves (Placement), not made as two channels.
    return StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign,
                        layout_.Surround() ? panel_.AlwaysStereo : StereoAlways(panel_));
  }
  // Says through onNote what the panel's signal, about to play, will not
  // sound as written; each line once, also when a repeat plays it again.
  void NoteWhatWillNotSound() {
    if (!onNote || !noted_.insert(line_).second) return;
    for (const std::string& note : SoundNotes(panel_, gains_, layout_, speakers_)) onNote(line_, note);
  }
  // Independent noise in a surround layout: made on the speakers, each its own.
  bool NoiseOnSpeakers() const {
    return layout_.Surround() && panel_.SignalType == SignalPage::Noise && panel_.NoiseIndependent;
  }
  std::vector<int> Placement() const {
    return layout_.Surround() ? SpeakerFactors(layout_, speakers_, gains_.PhaseSign) : std::vector<int>{};
  }

  PanelState panel_;
  ChannelGains gains_;
  const SpeakerLayout& layout_;
  SpeakerSet speakers_;  // in a surround layout, where the signals play
  int line_ = 0;          // the line running
  std::string command_;   // its command word
  std::string lineText_;  // and the whole line, as read
  std::set<int> noted_;   // the lines whose notes were given
};

}  // namespace sondrel
