#include "engine/tones/ToneBurst.h"

#include <cmath>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/tones/ToneFrequency.h"

namespace sondrel {

namespace {

constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;

std::string Number(long double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10Lg", value);
  return text;
}

// The count of frames n >= 0 with n F < C R, in extended precision.
int32_t BurstFrames(double F, double cycles, int32_t rate) {
  const long double end = static_cast<long double>(cycles) * rate;
  auto inside = [&](int64_t n) { return static_cast<long double>(n) * F < end; };
  int64_t count = static_cast<int64_t>(std::ceil(end / F));  // near the answer; the test below decides
  while (count > 0 && !inside(count - 1)) --count;
  while (inside(count)) ++count;
  return static_cast<int32_t>(count);
}

}  // namespace

ToneBurstRun::ToneBurstRun(const PanelState& state) : Rate(state.SampleRate) {
  A = AmplitudeOf(state.Amplitude);
  F = static_cast<double>(StrToFloat(state.BurstFrequency));
  CheckToneFrequency(F, Rate);
  cycles = static_cast<double>(StrToFloat(state.BurstCycles));
  if (!(cycles >= kFewestBurstCycles && cycles <= kMostBurstCycles)) {
    throw AppError("A burst has 0.5 to 100 cycles, not " + Number(cycles));
  }
  const long double period = StrToFloat(state.BurstPeriod);
  if (!(period > 0 && period <= kLongestBurstPeriod)) {
    throw AppError("A burst's period must lie above 0 s and at most 60 s, not " + Number(period) + " s");
  }
  P = Round(period * Rate);
  L = BurstFrames(F, cycles, Rate);
  if (L > P) {
    throw AppError("A burst of " + Number(cycles) + " cycles at " + HertzText(F) + " lasts " +
                   Number(static_cast<long double>(cycles) / F) + " s, longer than its period of " +
                   Number(period) + " s");
  }
  hann = state.BurstWindow != kRectangularWindow;
}

long double ToneBurstRun::ComputeWave(int32_t n) const {
  if (n >= L) return 0;
  const long double Fn = static_cast<long double>(F) * n;
  const long double tone = std::sin(kTwoPi * (Fn / Rate));
  const long double window =
      hann ? (1 - std::cos(kTwoPi * (Fn / (static_cast<long double>(Rate) * cycles)))) / 2 : 1.0L;
  return window * tone;
}

int32_t ToneBurstRun::ComputeSample(int32_t n) const { return Round(A * 32767 * ComputeWave(n)); }

}  // namespace sondrel
