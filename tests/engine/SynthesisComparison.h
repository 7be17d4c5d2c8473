#pragma once
// Random signals compared frame by frame between the fast synthesizer and
// the extended-precision reference; shared by the test and the long run.

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"
#include "tests/support/PanelStates.h"

namespace sondrel {

using testing_support::SweepPanel;

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
         << (state.LongBuffer ? ", long buffer" : "") << (state.Logarithmic ? ", logarithmic" : "")
         << (state.SampleRate != 44100 ? ", " + std::to_string(state.SampleRate) + " frames a second" : "");
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

// The bytes of a synthesis, or the error it raised.
struct SynthesisOutcome {
  PcmBuffer bytes;
  std::string error;
};

template <typename Synthesize>
SynthesisOutcome Outcome(const RandomSignal& signal, Synthesize synthesize) {
  SynthesisOutcome outcome;
  try {
    synthesize(signal.state, signal.gains, outcome.bytes);
  } catch (const AppError& error) {
    outcome.error = error.what();
  }
  return outcome;
}

inline std::string Difference(const SynthesisOutcome& fast, const SynthesisOutcome& reference) {
  if (fast.error != reference.error) return "errors differ: '" + fast.error + "' vs '" + reference.error + "'";
  if (!fast.error.empty()) return {};
  if (fast.bytes.Size() != reference.bytes.Size()) {
    return "sizes differ: " + std::to_string(fast.bytes.Size()) + " vs " + std::to_string(reference.bytes.Size());
  }
  for (size_t i = 0; i < fast.bytes.Size(); ++i) {
    if (fast.bytes.Data()[i] != reference.bytes.Data()[i]) {
      return "byte " + std::to_string(i) + " differs: " + std::to_string(fast.bytes.Data()[i]) + " vs " +
             std::to_string(reference.bytes.Data()[i]);
    }
  }
  return {};
}

// Empty when the fast synthesizer, with each kernel variant this processor
// runs, gives the reference's bytes (or its error); otherwise where and how
// they differ.
inline std::string CompareWithReference(const RandomSignal& signal) {
  const SynthesisOutcome reference = Outcome(signal, SynthesizeSignalReference);
  for (const KernelVariant variant : SupportedKernelVariants()) {
    ChooseKernelVariant(variant);
    const std::string difference = Difference(Outcome(signal, SynthesizeSignal), reference);
    ChooseKernelVariant(std::nullopt);
    if (!difference.empty()) return std::string(KernelVariantName(variant)) + ": " + difference;
  }
  return {};
}

}  // namespace sondrel
