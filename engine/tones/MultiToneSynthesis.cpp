#include "engine/tones/MultiToneSynthesis.h"

#include <cmath>
#include <vector>

#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"

namespace sondrel {

namespace {

// How far a table sine lies from the true sine of its exact angle: the
// kernel's own error, and the angle j / N rounded to double (at most 2^-54
// of a turn in [-1/2, 1/2]), 2 pi 2^-54 at most in the sine.
constexpr double kTableSineError = kSineKernelError + 3.5e-16;
// How far the reference's sine lies from the true one: its angle, formed with
// three roundings of 2^-64 on at most 2 pi, and sinl's own few units of
// 2^-64; and its sum's roundings, a few 2^-64 of W each. 1e-17 of W is ample.
constexpr double kReferenceError = 1e-17;

// sin(2 pi j / N) for j = 0 .. N-1, each within kTableSineError. Where N is
// a multiple of four the first quarter is computed and the rest follows by
// the sine's exact symmetries, which keep that bound.
std::vector<double> SineTable(int32_t N, const SynthesisKernels& kernels) {
  std::vector<double> table(static_cast<size_t>(N));
  auto sineOf = [&](int32_t j) {
    const int32_t turnsNumerator = j <= N / 2 ? j : j - N;
    return kernels.sineOfTurns(static_cast<double>(turnsNumerator) / N);
  };
  if (N % 4 != 0) {
    for (int32_t j = 0; j < N; ++j) table[static_cast<size_t>(j)] = sineOf(j);
    return table;
  }
  const int32_t quarter = N / 4;
  for (int32_t j = 0; j <= quarter; ++j) table[static_cast<size_t>(j)] = sineOf(j);
  for (int32_t j = 1; j < quarter; ++j) table[static_cast<size_t>(2 * quarter - j)] = table[static_cast<size_t>(j)];
  table[static_cast<size_t>(2 * quarter)] = 0;
  for (int32_t j = 1; j < 2 * quarter; ++j) table[static_cast<size_t>(2 * quarter + j)] = -table[static_cast<size_t>(j)];
  return table;
}

}  // namespace

int64_t MultiToneValues(const MultiToneRun& run, int16_t* values) {
  int64_t slowFrames = 0;
  auto reference = [&](int32_t n) {
    ++slowFrames;
    return ClipTo16Bits(run.ComputeSample(n));
  };
  // Beyond the 32-bit range Round must raise its error as the reference does.
  if (!run.wholeHertz || run.A * 32767.0L >= 2147483647.0L) {
    for (int32_t n = 0; n < run.N; ++n) values[n] = reference(n);
    return slowFrames;
  }
  const std::vector<double> table = SineTable(run.N, ActiveKernels());
  // Tone i's angle at frame n is 2 pi (step_i n mod N) / N.
  const int32_t unit = run.Rate / run.N;
  std::vector<int32_t> steps, at(run.tones.size(), 0);
  std::vector<double> weights;
  for (const ToneComponent& tone : run.tones) {
    steps.push_back(static_cast<int32_t>(tone.frequency) / unit % run.N);
    weights.push_back(tone.weight);
  }
  const double scale = static_cast<double>(run.scale);
  const double W = static_cast<double>(run.weightSum);
  // The table's and the reference's sines, weighted; the double sum's 2k
  // roundings of at most 2^-53 W; the scale's and the product's roundings.
  const double bound = scale * W * (kTableSineError + kReferenceError + 2.0 * static_cast<double>(steps.size()) * 0x1p-53) +
                       static_cast<double>(run.A) * 32767.0 * 0x1p-50;
  const size_t count = steps.size();
  for (int32_t n = 0; n < run.N; ++n) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
      sum += weights[i] * table[static_cast<size_t>(at[i])];
      at[i] += steps[i];
      if (at[i] >= run.N) at[i] -= run.N;
    }
    const double value = sum * scale;
    const double nearest = std::nearbyint(value);
    if (std::fabs(value - nearest) < 0.5 - bound) {
      values[n] = ClipTo16Bits(static_cast<int32_t>(nearest));
    } else {
      values[n] = reference(n);
    }
  }
  return slowFrames;
}

void SynthesizeMultiTone(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  const MultiToneRun run(state);
  std::vector<int16_t> values(static_cast<size_t>(run.N));
  MultiToneValues(run, values.data());
  AppendValuesInLayout(values.data(), run.N, state, gains, stream);
}

void SynthesizeMultiToneReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  const MultiToneRun run(state);
  std::vector<int16_t> values(static_cast<size_t>(run.N));
  for (int32_t n = 0; n < run.N; ++n) values[static_cast<size_t>(n)] = ClipTo16Bits(run.ComputeSample(n));
  AppendValuesInLayout(values.data(), run.N, state, gains, stream);
}

}  // namespace sondrel
