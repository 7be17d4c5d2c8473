#include "engine/tones/ToneBurstSynthesis.h"

#include <algorithm>
#include <vector>

#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"

namespace sondrel {

namespace {

constexpr double u = 0x1p-53;
constexpr double kTwoPi = 6.283185307179586;
constexpr int32_t kBlockFrames = 2048;

// To the nearest integer for |y| < 2^51, as the kernels round.
inline double NearestInteger(double y) { return (y + 0x1.8p52) - 0x1.8p52; }

// How far a kernel's value may lie from the reference's, in sample units.
// The tone's phase in turns, (F n) / R in double, lies within 2u of
// F n / R < C: 2 pi 2u C in its sine; the window's, (F n) / (2 R C) with
// 2 R C rounded once, within 3u of a half: 2 pi 1.5u in its sine, and w^2
// doubles w's error and adds a rounding. The reference forms its angles
// with three roundings of 2^-64 on 2 pi C and 2 pi at most, and its sine,
// cosine and products with a few more: 1e-16 (C + 1) covers them all. The
// kernel's two products round once each.
double ValueError(const ToneBurstRun& run, double scale) {
  const double toneError = kSineKernelError + kTwoPi * 2 * u * run.cycles;
  const double windowError = run.hann ? 2 * (kSineKernelError + kTwoPi * 1.5 * u) + 1.5 * u : 0;
  const double referenceError = 1e-16 * (run.cycles + 1);
  return scale * (toneError + windowError + referenceError + 3 * u) + 0x1p-50;
}

}  // namespace

int64_t ToneBurstValues(const ToneBurstRun& run, int16_t* values) {
  std::fill(values + run.L, values + run.P, int16_t{0});
  int64_t slowFrames = 0;
  auto reference = [&](int32_t n) {
    ++slowFrames;
    return ClipTo16Bits(run.ComputeSample(n));
  };
  // Beyond the 32-bit range Round must raise its error as the reference does.
  if (run.A * 32767.0L >= 2147483647.0L) {
    for (int32_t n = 0; n < run.L; ++n) values[n] = reference(n);
    return slowFrames;
  }
  const SynthesisKernels& kernels = ActiveKernels();
  const double scale = static_cast<double>(run.A * 32767.0L);
  const double valueError = ValueError(run, scale);
  const double rate = run.Rate;
  const double windowDivisor = 2.0 * run.Rate * run.cycles;
  double turns[kBlockFrames];
  double windowTurns[kBlockFrames];
  for (int32_t from = 0; from < run.L; from += kBlockFrames) {
    const int32_t count = std::min(kBlockFrames, run.L - from);
    for (int32_t i = 0; i < count; ++i) {
      const double Fn = run.F * static_cast<double>(from + i);
      const double t = Fn / rate;
      turns[i] = t - NearestInteger(t);  // exact
      windowTurns[i] = Fn / windowDivisor;
    }
    int16_t* block = values + from;
    if (run.hann) {
      kernels.windowedSineValues(turns, windowTurns, count, scale, valueError, block);
    } else {
      kernels.sineValues(turns, count, scale, valueError, block);
    }
    if (!kernels.anyDoubtful(block, count)) continue;
    for (int32_t i = 0; i < count; ++i) {
      if (block[i] == kDoubtful) block[i] = reference(from + i);
    }
  }
  return slowFrames;
}

void SynthesizeToneBurst(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  const ToneBurstRun run(state);
  std::vector<int16_t> values(static_cast<size_t>(run.P));
  ToneBurstValues(run, values.data());
  AppendValuesInLayout(values.data(), run.P, state, gains, stream);
}

void SynthesizeToneBurstReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  const ToneBurstRun run(state);
  std::vector<int16_t> values(static_cast<size_t>(run.P));
  for (int32_t n = 0; n < run.P; ++n) values[static_cast<size_t>(n)] = ClipTo16Bits(run.ComputeSample(n));
  AppendValuesInLayout(values.data(), run.P, state, gains, stream);
}

}  // namespace sondrel
