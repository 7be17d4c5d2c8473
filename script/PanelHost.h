#pragma once
// A host that keeps a panel of its own in place of the window's controls:
// the controls' initial values, the stored options, and what each line
// writes. The render and the terminal's play build on it.

#include <cstdint>
#include <string>
#include <utility>

#include "engine/PanelState.h"
#include "engine/Synthesis.h"
#include "script/ScriptHost.h"

namespace sondrel {

class PanelHost : public ScriptHost {
 public:
  explicit PanelHost(const SignalOptions& options) {
    panel_.Loop = false;  // a script plays every signal once and waits for its end
    ApplySignalOptions(options, panel_);
  }

  void ShowPage(SignalPage page) override { panel_.SignalType = page; }
  void SetField(ScriptField field, const std::string& text) override {
    std::string* fields[] = {&panel_.fEdit, &panel_.fInit, &panel_.fFinal, &panel_.Duration, &panel_.Amplitude};
    *fields[static_cast<int>(field)] = text;
  }
  void SetWaveForm(int32_t index) override { panel_.WaveForm = index; }
  void SetNoiseColour(int32_t index) override { panel_.NoiseColour = index; }
  void SetChannels(bool left, bool right, bool inPhase) override {
    gains_ = {left ? 1 : 0, right ? 1 : 0, inPhase ? 1 : -1};
  }
  bool SetLogarithmic(bool checked) override { return std::exchange(panel_.Logarithmic, checked); }
  void End() override {}

 protected:
  bool Stereo() const { return StereoLayout(gains_.LeftGain, gains_.RightGain, gains_.PhaseSign, panel_.AlwaysStereo); }

  PanelState panel_;
  ChannelGains gains_;
};

}  // namespace sondrel
