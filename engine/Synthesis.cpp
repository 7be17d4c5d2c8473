#include "engine/Synthesis.h"

#include <cmath>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/noise/NoiseSynthesis.h"
#include "engine/tones/Dtmf.h"
#include "engine/tones/MultiToneSynthesis.h"
#include "engine/tones/ToneBurstSynthesis.h"

namespace sondrel {

namespace {
constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;
constexpr long double kOneOverPi = 0.318309886183790671537767526745028724L;
constexpr long double kDecibelToExponent = 0.05L;           // A = 10^(dB * 0.05)
}  // namespace

SignalRun::SignalRun(const PanelState& state)
    : WaveForm(state.WaveForm), Rate(state.SampleRate), K(1.0L / static_cast<long double>(state.SampleRate)) {
  if (state.SignalType == SignalPage::Constant) {
    const double f = static_cast<double>(StrToFloat(state.fEdit));
    f0 = f1 = f;
    if (state.LongBuffer) {
      // About 100 periods: Round(4410000 / f) at 44100 frames a second.
      if (f == 0) throw AppError(kDivisionByZero);
      N = Round(100.0L * Rate / f);
    } else {
      // The shortest buffer that holds whole periods of Round(f) Hz.
      N = Rate / GreatestCommonDivisor(Rate, Round(f));
    }
  } else {
    f0 = static_cast<double>(StrToFloat(state.fInit));
    f1 = static_cast<double>(StrToFloat(state.fFinal));
    N = Round(StrToFloat(state.Duration) * static_cast<long double>(Rate));
  }
  D = static_cast<double>(static_cast<long double>(f1) - f0);
  A = AmplitudeOf(state.Amplitude);

  LogarithmicSweep = state.Logarithmic && state.SignalType == SignalPage::Sweep && f0 > 0 &&
                     f1 > 0 && f0 != f1;
  if (LogarithmicSweep) logRatio_ = std::log(static_cast<long double>(f1) / f0);
}

long double SignalRun::Phase(int32_t n) const {
  if (LogarithmicSweep) {
    // Instantaneous frequency f0 * (f1/f0)^(n/N): the phase is its integral,
    // 2 pi f0 N / (Rate ln r) * (r^(n/N) - 1).
    const long double scale = kTwoPi * f0 * N * K / logRatio_;
    return scale * std::expm1(logRatio_ * n / N);
  }
  // Linear chirp: instantaneous frequency f0 + D n / N.
  const long double omega = ((n * 0.5L) / N * D + f0) * kTwoPi;
  return (n * omega) * K;
}

bool SignalRun::ComputeWave(int32_t n, long double& w) const {
  switch (WaveForm) {
    case kSine:
      w = std::sin(Phase(n));
      return true;
    case kSquare:
      w = SquareOf(static_cast<float>(std::sin(Phase(n))));
      return true;
    case kTriangular:
      w = TriangleOf(static_cast<float>(Phase(n)));
      return true;
    default:  // nothing selected: silence
      return false;
  }
}

int32_t SignalRun::ComputeSample(int32_t n) const {
  long double w = 0;
  if (!ComputeWave(n, w)) return 0;
  return Round(w * (A * 32767.0L));
}

long double AmplitudeOf(const std::string& decibels) {
  const int32_t dB = StrToInt(decibels);
  return std::pow(10.0L, dB * kDecibelToExponent);
}

void SynthesizeSignalReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  if (state.SignalType == SignalPage::Noise) {
    SynthesizeNoiseReference(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::MultiTone) {
    SynthesizeMultiToneReference(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::Burst) {
    SynthesizeToneBurstReference(state, gains, stream);
    return;
  }
  if (state.SignalType == SignalPage::Dtmf) {
    SynthesizeDtmf(state, gains, stream);
    return;
  }
  const SignalRun run(state);
  const bool stereo =
      StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, state.AlwaysStereo);
  if (run.N <= 0) return;
  stream.Reserve(static_cast<size_t>(run.N) * (stereo ? 4 : 2));
  for (int32_t n = 0; n < run.N; ++n) {
    const int16_t c = ClipTo16Bits(run.ComputeSample(n));
    if (stereo) {
      stream.AppendSample(static_cast<int16_t>(c * gains.LeftGain));
      stream.AppendSample(static_cast<int16_t>(c * gains.PhaseSign * gains.RightGain));
    } else {
      stream.AppendSample(c);
    }
  }
}

int32_t SquareOf(float v) { return v >= 0.0f ? 1 : -1; }

float TriangleOf(float x) {
  const float s = static_cast<float>(std::sin(static_cast<long double>(x)));
  if (std::fabs(s) == 1.0f) return s;
  const long double ls = s;
  return static_cast<float>(std::atan(ls / std::sqrt(1.0L - ls * ls)) * 2 * kOneOverPi);
}

int32_t GreatestCommonDivisor(int32_t a, int32_t b) {
  int32_t s = a < b ? a : b;
  int32_t g = a < b ? b : a;
  while (s > 0) {
    const int32_t r = g % s;
    g = s;
    s = r;
  }
  return g;
}

void AppendValuesInLayout(const int16_t* values, int32_t count, const PanelState& state, const ChannelGains& gains,
                          PcmBuffer& stream) {
  const bool stereo = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, state.AlwaysStereo);
  stream.Reserve(static_cast<size_t>(count) * (stereo ? 4 : 2));
  for (int32_t n = 0; n < count; ++n) {
    if (stereo) {
      stream.AppendSample(static_cast<int16_t>(values[n] * gains.LeftGain));
      stream.AppendSample(static_cast<int16_t>(values[n] * gains.PhaseSign * gains.RightGain));
    } else {
      stream.AppendSample(values[n]);
    }
  }
}

bool StereoLayout(int32_t LeftGain, int32_t RightGain, int32_t PhaseSign, bool AlwaysStereo) {
  return LeftGain + RightGain == 1 || PhaseSign == -1 || AlwaysStereo;
}

}  // namespace sondrel
