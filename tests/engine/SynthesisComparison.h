#pragma once
// Random signals compared frame by frame between the fast synthesizer and
// the extended-precision reference; shared by the test and the long run.

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "engine/AppError.h"
#include "engine/Synthesis.h"

namespace sondrel {

// A sweep panel with the texts as typed.
inline PanelState SweepPanel(const char* from, const char* to, const char* seconds, int32_t wave, const char* level) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = from;
  state.fFinal = to;
  state.Duration = seconds;
  state.WaveForm = wave;
  state.Amplitude = level;
  return state;
}

struct RandomSignal {
  PanelState state;
  ChannelGains gains;
  std::string Describe() const {
    std::ostringstream text;
    text << (state.SignalType == SignalPage::Constant ? "constant " + state.fEdit
                                                      : "sweep " + state.fInit + " -> " + state.fFinal + " in " +
                                                            state.Duration + " s")
         << ", wave " << state.WaveForm << ", " << state.Amplitude << " dB, gains " << gains.LeftGain << "/"
         << gains.RightGain << "/" << gains.PhaseSign << (state.AlwaysStereo ? ", always stereo" : "")
         << (state.LongBuffer ? ", long buffer" : "") << (state.Logarithmic ? ", logarithmic" : "");
    return text.str();
  }
};

// maxSeconds bounds a sweep's length.
inline RandomSignal MakeRandomSignal(std::mt19937_64& random, double maxSeconds) {
  auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  auto chance = [&](double p) { return uniform(0, 1) < p; };
  auto frequency = [&] {
    // Whole and fractional frequencies, low ones more often than a flat draw gives.
    const double f = chance(0.3) ? uniform(0, 200) : uniform(0, 22050);
    std::ostringstream text;
    text.precision(chance(0.5) ? 6 : 12);
    text << (chance(0.4) ? static_cast<double>(static_cast<int>(f)) : f);
    return text.str();
  };
  RandomSignal signal;
  PanelState& state = signal.state;
  state.SignalType = chance(0.7) ? SignalPage::Sweep : SignalPage::Constant;
  state.fEdit = frequency();
  state.fInit = frequency();
  state.fFinal = frequency();
  std::ostringstream seconds;
  seconds << (chance(0.3) ? uniform(0, 0.05) : uniform(0, maxSeconds));
  state.Duration = seconds.str();
  state.WaveForm = static_cast<int32_t>(std::uniform_int_distribution<int>(0, 2)(random));
  state.Amplitude = std::to_string(std::uniform_int_distribution<int>(-100, 10)(random));
  state.LongBuffer = chance(0.5);
  state.AlwaysStereo = chance(0.3);
  state.Logarithmic = chance(0.1);
  const int layout = std::uniform_int_distribution<int>(0, 4)(random);
  const ChannelGains layouts[] = {{1, 1, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, -1}, {0, 0, 1}};
  signal.gains = layouts[layout];
  return signal;
}

// Empty when both synthesizers give the same bytes (or the same error);
// otherwise where and how they differ.
inline std::string CompareWithReference(const RandomSignal& signal) {
  PcmBuffer fast, reference;
  std::string fastError, referenceError;
  try {
    SynthesizeSignal(signal.state, signal.gains, fast);
  } catch (const AppError& error) {
    fastError = error.what();
  }
  try {
    SynthesizeSignalReference(signal.state, signal.gains, reference);
  } catch (const AppError& error) {
    referenceError = error.what();
  }
  if (fastError != referenceError) return "errors differ: '" + fastError + "' vs '" + referenceError + "'";
  if (!fastError.empty()) return {};
  if (fast.Size() != reference.Size()) {
    return "sizes differ: " + std::to_string(fast.Size()) + " vs " + std::to_string(reference.Size());
  }
  for (size_t i = 0; i < fast.Size(); ++i) {
    if (fast.Data()[i] != reference.Data()[i]) {
      return "byte " + std::to_string(i) + " differs: " + std::to_string(fast.Data()[i]) + " vs " +
             std::to_string(reference.Data()[i]);
    }
  }
  return {};
}

}  // namespace sondrel
