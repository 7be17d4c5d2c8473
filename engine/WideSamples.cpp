#include "engine/WideSamples.h"

#include <algorithm>
#include <cmath>

#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/noise/NoiseSynthesis.h"
#include "engine/tones/Dtmf.h"
#include "engine/tones/MultiTone.h"
#include "engine/tones/ToneBurst.h"

namespace sondrel {

namespace {

constexpr long double kFullScale24 = 8388607;

int32_t Clip24(int32_t value) { return std::clamp<int32_t>(value, -8388607, 8388607); }
float ClipUnit(float value) { return std::clamp(value, -1.0f, 1.0f); }

// value(w) for each frame of a tone or sweep, or of a noise period, in the
// gains' layout.
template <typename Sample, typename FromTone, typename FromNoise>
void Synthesize(const PanelState& state, const ChannelGains& gains, std::vector<Sample>& values, int32_t from,
                int32_t to, long double fullScale, FromTone fromTone, FromNoise fromNoise) {
  const bool stereo = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, StereoAlways(state));
  values.clear();
  auto append = [&](Sample value) {
    if (stereo) {
      // + 0 turns a float's -0 (silence times -1) into 0.
      values.push_back(static_cast<Sample>(value * static_cast<Sample>(gains.LeftGain) + Sample{0}));
      values.push_back(static_cast<Sample>(value * static_cast<Sample>(gains.PhaseSign * gains.RightGain) + Sample{0}));
    } else {
      values.push_back(value);
    }
  };
  if (state.SignalType == SignalPage::Noise) {
    const NoisePeriod period = NoisePeriodOf(state, fullScale);
    values.reserve(period.x.size() * (stereo ? 2 : 1));
    if (stereo && state.NoiseIndependent) {  // the right channel's own noise
      const NoisePeriod right = NoisePeriodOf(state, fullScale, 1);
      for (size_t n = 0; n < period.x.size(); ++n) {
        values.push_back(static_cast<Sample>(fromNoise(period.x[n] * period.scale) * static_cast<Sample>(gains.LeftGain) + Sample{0}));
        values.push_back(static_cast<Sample>(fromNoise(right.x[n] * right.scale) *
                                                 static_cast<Sample>(gains.PhaseSign * gains.RightGain) +
                                             Sample{0}));
      }
      return;
    }
    for (const double x : period.x) append(fromNoise(x * period.scale));
    return;
  }
  if (state.SignalType == SignalPage::MultiTone) {
    const MultiToneRun run(state);
    values.reserve(static_cast<size_t>(run.N) * (stereo ? 2 : 1));
    for (int32_t n = 0; n < run.N; ++n) append(fromTone(run.ComputeWave(n), run.A));
    return;
  }
  if (state.SignalType == SignalPage::Burst) {
    const ToneBurstRun run(state);
    values.reserve(static_cast<size_t>(run.P) * (stereo ? 2 : 1));
    for (int32_t n = 0; n < run.P; ++n) append(fromTone(run.ComputeWave(n), run.A));
    return;
  }
  if (state.SignalType == SignalPage::Dtmf) {
    const DtmfRun run(state);
    values.reserve(static_cast<size_t>(run.N) * (stereo ? 2 : 1));
    for (int32_t n = 0; n < run.N; ++n) append(fromTone(run.ComputeWave(n), run.A));
    run.ApplyFades(values.data(), stereo ? 2 : 1);
    return;
  }
  const SignalRun run(state);
  const int32_t first = std::clamp(from, 0, std::max(run.N, 0));
  const int32_t end = to < 0 ? std::max(run.N, 0) : std::clamp(to, first, std::max(run.N, 0));
  values.reserve(static_cast<size_t>(end - first) * (stereo ? 2 : 1));
  for (int32_t n = first; n < end; ++n) {
    long double w = 0;
    append(run.ComputeWave(n, w) ? fromTone(w, run.A) : Sample{0});
  }
}

// Noise laid out on the speakers: channel c's own noise times factors[c].
template <typename Sample, typename FromNoise>
void NoiseOnSpeakers(const PanelState& state, const std::vector<int>& factors, std::vector<Sample>& values,
                     long double fullScale, FromNoise fromNoise) {
  values.clear();
  std::vector<NoisePeriod> periods;
  for (size_t channel = 0; channel < factors.size(); ++channel) {
    periods.push_back(NoisePeriodOf(state, fullScale, static_cast<int>(channel)));
  }
  const size_t frames = periods[0].x.size();
  values.reserve(frames * factors.size());
  for (size_t n = 0; n < frames; ++n) {
    for (size_t channel = 0; channel < factors.size(); ++channel) {
      const NoisePeriod& period = periods[channel];
      values.push_back(static_cast<Sample>(fromNoise(period.x[n] * period.scale) * static_cast<Sample>(factors[channel]) +
                                           Sample{0}));
    }
  }
}

}  // namespace

void NoiseOnSpeakersS24(const PanelState& state, const std::vector<int>& factors, std::vector<int32_t>& values) {
  NoiseOnSpeakers(state, factors, values, kFullScale24, [](long double value) { return Clip24(Round(value)) * 256; });
}

void NoiseOnSpeakersF32(const PanelState& state, const std::vector<int>& factors, std::vector<float>& values) {
  NoiseOnSpeakers(state, factors, values, 1.0L, [](long double value) { return ClipUnit(static_cast<float>(value)); });
}

void SynthesizeS24(const PanelState& state, const ChannelGains& gains, std::vector<int32_t>& values, int32_t from,
                   int32_t to) {
  Synthesize<int32_t>(
      state, gains, values, from, to, kFullScale24,
      [](long double w, long double A) { return Clip24(Round(w * (A * kFullScale24))) * 256; },
      [](long double value) { return Clip24(Round(value)) * 256; });
}

void SynthesizeF32(const PanelState& state, const ChannelGains& gains, std::vector<float>& values, int32_t from,
                   int32_t to) {
  Synthesize<float>(
      state, gains, values, from, to, 1.0L, [](long double w, long double A) { return ClipUnit(static_cast<float>(w * A)); },
      [](long double value) { return ClipUnit(static_cast<float>(value)); });
}

}  // namespace sondrel
