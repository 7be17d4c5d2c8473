#include "engine/SoundNotes.h"

#include <cmath>
#include <cstdio>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"

namespace sondrel {

namespace {

// Hz as a user reads them: whole, or with up to two decimals.
std::string Hertz(long double f) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2Lf", f);
  std::string shown = text;
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown + " Hz";
}

// The frequency a sampled tone of f Hz is heard at: folded into 0 .. rate/2.
long double Folded(long double f, int32_t rate) {
  long double heard = std::fmod(std::fabs(f), static_cast<long double>(rate));
  if (heard > rate / 2.0L) heard = rate - heard;
  return heard;
}

}  // namespace

std::vector<std::string> SoundNotes(const PanelState& panel, const ChannelGains& gains, const SpeakerLayout& layout,
                                    SpeakerSet speakers, NotesFor reader) {
  std::vector<std::string> notes;
  const bool window = reader == NotesFor::Window;
  const std::string plays = window ? "the signal plays silence" : "the line plays silence";
  const bool surround = layout.Surround();
  if (surround ? (speakers & layout.All()) == 0 : gains.LeftGain == 0 && gains.RightGain == 0) {
    notes.push_back(std::string("no ") + (surround ? "speaker" : "channel") + " is chosen: " + plays);
  }
  // Noise, a multi-tone, a burst or DTMF: no wave form.
  const bool noise = PeriodicToTheFrame(panel.SignalType) || panel.SignalType == SignalPage::Dtmf;
  if (!noise && (panel.WaveForm < kSine || panel.WaveForm > kTriangular)) {
    notes.push_back(window ? "no wave form is chosen: " + plays
                           : "the wave form is none of 0 (sine), 1 (square) and 2 (triangle): " + plays);
  }
  long double duration = 0;
  if (!PlayedOnce(panel.SignalType) && TryStrToFloat(panel.Duration, &duration) && duration <= 0) {
    notes.push_back("a duration of 0 s or less plays nothing");
  }
  if (noise) return notes;
  try {
    const SignalRun run(panel);
    const long double half = run.Rate / 2.0L;
    if (panel.SignalType == SignalPage::Constant && std::fabs(run.f0) > half) {
      notes.push_back(Hertz(run.f0) + " is above half the rate (" + Hertz(half) + "): it sounds as " +
                      Hertz(Folded(run.f0, run.Rate)));
    }
    if (panel.SignalType == SignalPage::Sweep) {
      if (std::fmax(std::fabs(run.f0), std::fabs(run.f1)) > half) {
        notes.push_back("the sweep passes half the rate (" + Hertz(half) + "): above it, it folds back");
      }
      if (panel.Logarithmic && !run.LogarithmicSweep && run.f0 != run.f1) {
        notes.push_back("a logarithmic sweep needs both frequencies above 0 Hz: this one sweeps linearly");
      }
    }
  } catch (const AppError&) {
    // The line's own error says what is wrong with it.
  }
  return notes;
}

std::string ResamplingNote(int32_t signalRate, int32_t deviceRate) {
  if (deviceRate <= 0 || deviceRate == signalRate) return {};
  return std::to_string(signalRate) + " Hz, resampled by the sound server to " + std::to_string(deviceRate) + " Hz";
}

}  // namespace sondrel
