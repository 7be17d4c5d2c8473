#include "engine/FastSynthesis.h"

#include <algorithm>
#include <cmath>

#include "engine/NumberText.h"
#include "engine/kernels/SynthesisKernels.h"

namespace sondrel {

namespace {

constexpr long double kOneOverTwoPi = 0.159154943091895335768883763372514362L;
constexpr double kTwoPiDouble = static_cast<double>(kTwoPiExtended);
constexpr int32_t kBlock = 1024;

// How far the reference's own phase lies from the exact linear law. It
// forms ((n 0.5) / N D + f0) 2pi, then (n omega) / R, with six roundings
// of at most 2^-64 relative (the sum's on |f0| + |D| n / 2N, not on the
// possibly smaller sum), and 2pi and 1/R are within 2^-64 of theirs:
// under 9 * 2^-64 G, where G = 2 pi n (|f0| + |D| n / 2N) / R bounds the
// phase in radians.
constexpr double kReferencePhaseError = 9 * 0x1p-64;
// glibc's sinl on x86-64 is within a few units of 2^-64: 1e-18 is ample.
constexpr double kReferenceSineError = 1e-18;
// The kernels' turns are within 2.3e-16 + 2^-101 G turns (SynthesisKernels.h).
constexpr double kTurnsError = 2.3e-16;
constexpr double kLargestLinearTurns = 0x1p40;

// 2 pi = kTwoPiHigh + kTwoPiRest to about 95 bits: kTwoPiHigh carries the
// first 31, so k kTwoPiHigh is exact in extended precision for k below
// 2^33, and k kTwoPiRest errs by under k 2^-96.
constexpr long double kTwoPiHigh = 0x6.487ED51p0L;
constexpr long double kTwoPiRest = 0x10B4611A62633145C06E0E68p-124L;
constexpr long double kLargestReducedPhase = 5.0e10L;  // below 2^33 turns

// x modulo one turn, in turns, for a phase the reference itself formed. The
// remainder x - k 2pi errs by under 1.2e-19 from the rest's product and
// 2^-64 from the one subtraction that rounds; the product with 1/2pi and
// the narrowing to double add 2^-65 and 2^-54 turns: 5.8e-17 turns in all.
constexpr double kExactPhaseTurnsError = 5.8e-17;
bool TurnsOfExactPhase(long double x, double& turns) {
  if (!(std::fabs(x) <= kLargestReducedPhase)) return false;
  const long double k = NearestInteger(x * kOneOverTwoPi);
  turns = static_cast<double>(((x - k * kTwoPiHigh) - k * kTwoPiRest) * kOneOverTwoPi);
  return true;
}

// Where a block's phases come from: the kernels' linear law, or, for the
// exponential law (and phases beyond the law's range), the reference's own
// phase of every frame, narrowed for the kernels.
class PhaseSource {
 public:
  explicit PhaseSource(const SignalRun& run, const SynthesisKernels& kernels) : run_(run), kernels_(kernels) {
    if (run.LogarithmicSweep || run.N <= 0) return;
    law_ = MakeLinearPhaseLaw(run.f0, run.D, run.N, run.Rate);
    linear_ = TurnsBound(run.N) <= kLargestLinearTurns;
  }

  // Phases modulo one turn, NaN for one the kernels cannot take. Returns
  // how far the sine of each may lie from the reference's.
  double Turns(int32_t from, int32_t count, double* turns) const {
    if (linear_) {
      kernels_.linearTurns(law_, from, count, turns);
      const double bound = TurnsBound(from + count);
      return kSineKernelError + kTwoPiDouble * (kTurnsError + 0x1p-101 * bound) +
             kReferencePhaseError * kTwoPiDouble * bound + kReferenceSineError;
    }
    for (int32_t i = 0; i < count; ++i) {
      if (!TurnsOfExactPhase(run_.Phase(from + i), turns[i])) turns[i] = NAN;
    }
    return kSineKernelError + kTwoPiDouble * kExactPhaseTurnsError + kReferenceSineError;
  }

  // Puts the frames whose phase Turns could not take in doubt.
  void DoubtUntaken(const double* turns, int32_t count, int16_t* values) const {
    if (linear_) return;
    for (int32_t i = 0; i < count; ++i) {
      if (std::isnan(turns[i])) values[i] = kDoubtful;
    }
  }

  // Phases in radians; returns how far each may lie from the reference's
  // (at least 2^-52 of its size, as the triangle's kernel needs).
  double Radians(int32_t from, int32_t count, double* radians) const {
    if (linear_) {
      kernels_.linearRadians(law_, from, count, radians);
      const double bound = kTwoPiDouble * TurnsBound(from + count) * (1 + 0x1p-40);
      return (0x1p-51 + kReferencePhaseError) * bound;
    }
    double largest = 0;
    for (int32_t i = 0; i < count; ++i) {
      radians[i] = static_cast<double>(run_.Phase(from + i));  // the reference's phase, rounded once
      largest = std::max(largest, std::fabs(radians[i]));
    }
    return 0x1p-52 * largest;
  }

 private:
  // n (|alpha| + |beta| n): the phase's size bound in turns, up to frame n;
  // the factor covers the roundings of this estimate.
  double TurnsBound(int32_t n) const {
    const double frames = n;
    return frames * (std::fabs(law_.alphaHigh) + std::fabs(law_.betaHigh) * frames) * (1 + 0x1p-40);
  }

  const SignalRun& run_;
  const SynthesisKernels& kernels_;
  LinearPhaseLaw law_;
  bool linear_ = false;
};

}  // namespace

int64_t SynthesizeFrames(const SignalRun& run, int32_t from, int32_t to, int16_t* values) {
  const long double scale = run.A * 32767.0L;  // as the reference forms it
  int64_t slowFrames = 0;
  auto reference = [&](int32_t n) {
    ++slowFrames;
    return ClipTo16Bits(run.ComputeSample(n));
  };
  // Beyond the 32-bit range Round must raise its error as the reference does.
  const bool fast = scale < 2147483647.0L && run.WaveForm >= kSine && run.WaveForm <= kTriangular;
  if (!fast) {
    if (run.WaveForm >= kSine && run.WaveForm <= kTriangular) {
      for (int32_t n = from; n < to; ++n) values[n - from] = reference(n);  // raises its error
    } else {
      std::fill(values, values + (to - from), int16_t{0});  // nothing selected: silence
    }
    return slowFrames;
  }

  const SynthesisKernels& kernels = ActiveKernels();
  const PhaseSource phases(run, kernels);
  const double scaleDouble = static_cast<double>(scale);
  const int16_t upper = ClipTo16Bits(Round(1 * scale));  // the square's two levels, rounded once
  const int16_t lower = ClipTo16Bits(Round(-1 * scale));
  double phase[kBlock];
  for (int32_t start = from; start < to; start += kBlock) {
    const int32_t count = std::min(kBlock, to - start);
    int16_t* out = values + (start - from);
    switch (run.WaveForm) {
      case kSine: {
        // The scaled sine errs by the sine's error times A 32767, plus A 32767
        // rounded to double and the product's rounding: under 2^-51 A 32767.
        const double sineError = phases.Turns(start, count, phase);
        kernels.sineValues(phase, count, scaleDouble, scaleDouble * (sineError + 0x1p-51), out);
        phases.DoubtUntaken(phase, count, out);
        break;
      }
      case kSquare: {
        const double sineError = phases.Turns(start, count, phase);
        kernels.squareValues(phase, count, sineError, upper, lower, out);
        phases.DoubtUntaken(phase, count, out);
        break;
      }
      default: {
        const double phaseError = phases.Radians(start, count, phase);
        kernels.triangleValues(phase, count, phaseError, scaleDouble, out);
        break;
      }
    }
    if (!kernels.anyDoubtful(out, count)) continue;  // as most blocks
    for (int32_t i = 0; i < count; ++i) {
      if (out[i] == kDoubtful) out[i] = reference(start + i);
    }
  }
  return slowFrames;
}

}  // namespace sondrel
