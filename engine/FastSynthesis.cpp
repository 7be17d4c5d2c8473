#include "engine/FastSynthesis.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <cmath>

#include "engine/AppError.h"
#include "engine/NumberText.h"

namespace sondrel {

namespace {

// Error bounds. The reference takes sinl of the extended phase x, itself
// within about 1e-19 of the true sine. Here x is reduced modulo 2 pi with
// 2 pi split in two parts (Cody-Waite, about 95 bits in all), which leaves
// the remainder r within 1e-18 of the true one for |x| < 5e10. Narrowing it
// to double adds at most 2^-53 * pi < 3.5e-16, folding it into [-pi/2, pi/2]
// with the double pi under 2.3e-16 more, and the polynomial under 7e-16:
// the double sine d is within 1.3e-15 of the reference's sine.
//  - Sine: c = Round(w * M) with M = A * 32767 below 2^31 on this path, and
//    the double product d * M is within 2^31 * 1.3e-15 + half an ulp of 2^31
//    (together under 3.1e-6) of the reference's product. A value further
//    than kTieMargin from a half-integer therefore rounds the same way.
//  - Square: only the sign of the single-precision sine matters; a d further
//    than kSignMargin from zero has the reference's sign (a tiny negative
//    sine narrows to -0, which counts as upper, so it must go the slow way).
//  - Sine and square take the phase from ApproximatePhase and widen their
//    margins by its bound (below).
//  - Triangle: the single-precision phase is the reference's bit for bit
//    (SinglePhase). It is reduced in double precision (FastSineOfSingle, the
//    sine then within 2e-15), and its single-precision sine matches when d
//    lies further than kSineFloatMargin from a midpoint between two floats.
//    Then asin(s) * 2/pi in double (glibc) is within 4e-16 relative of the
//    reference's arc tangent form (s itself is exact), so its float matches
//    unless it lies within kArcSineRelativeMargin (relative) of a midpoint.
//    The product with M in double is within 1.2e-6 of the extended one, and
//    rounds the same way unless it lies within kTieMargin of a half.
// Frames that fail a test, and phases beyond 5e10, take the reference path.
constexpr double kTieMargin = 1e-5;
constexpr double kSignMargin = 1e-14;
constexpr double kSineFloatMargin = 1e-14;    // absolute: the sine's error is absolute
constexpr double kArcSineRelativeMargin = 1e-14;  // relative: so is the arc sine's

// 2 pi to about 95 bits, in two parts: kTwoPiHigh carries its first 31
// bits, so k * kTwoPiHigh is exact in extended precision for k below 2^33
// (which bounds the phases the reduction takes), and kTwoPiRest the next 64.
// k * kTwoPiRest then errs by less than k * 2^-96, under 1.2e-19.
constexpr long double kTwoPiHigh = 0x6.487ED51p0L;
constexpr long double kTwoPiRest = 0x10B4611A62633145C06E0E68p-124L;
constexpr long double kLargestFastPhase = 5.0e10L;  // below 2^33 turns
constexpr long double kOneOverTwoPi = 0.159154943091895335768883763372514362L;
constexpr double kTwoOverPi = 0.63661977236758134307553505349005745;

// NearestInteger (NumberText.h) for doubles too: the same trick with 1.5 * 2^52.
using sondrel::NearestInteger;
inline double NearestInteger(double y) {  // |y| < 2^51
  const double shifted = y + 0x1.8p52;
  return shifted - 0x1.8p52;
}

// sin(t) for |t| <= pi/2: the Taylor series to t^21, sin t = t - t z p(z)
// with z = t^2 and p(z) = 1/3! - z/5! + z^2/7! - ... - z^9/21!, p evaluated
// by Estrin's scheme so that its multiplications overlap. The first term
// left out, t^23/23!, stays below 1.3e-18; rounding in double, dominated by
// the first terms near 1.57, adds under 7e-16.
inline double SineKernel(double t) {
  const double z = t * t;
  const double z2 = z * z;
  const double z4 = z2 * z2;
  const double b0 = 1.0 / 6.0 - z * (1.0 / 120.0);
  const double b1 = 1.0 / 5040.0 - z * (1.0 / 362880.0);
  const double b2 = 1.0 / 39916800.0 - z * (1.0 / 6227020800.0);
  const double b3 = 1.0 / 1307674368000.0 - z * (1.0 / 355687428096000.0);
  const double b4 = 1.0 / 121645100408832000.0 - z * (1.0 / 51090942171709440000.0);
  const double p = (b0 + z2 * b1) + z4 * ((b2 + z2 * b3) + z4 * b4);
  return t - t * (z * p);
}

// x modulo 2 pi, in [-pi, pi], to within 1e-18; NaN beyond the range.
long double Reduce(long double x) {
  if (!(std::fabs(x) <= kLargestFastPhase)) return NAN;
  const long double k = NearestInteger(x * kOneOverTwoPi);
  // x - k * high is exact (the two lie within a factor of two of each other).
  return (x - k * kTwoPiHigh) - k * kTwoPiRest;
}

// The sine of a phase already in [-pi, pi] (a little beyond is fine),
// folded into [-pi/2, pi/2] by sin(r) = sin(+-pi - r); within 1.3e-15.
inline double SineOfReduced(long double r) {
  const double reduced = static_cast<double>(r);
  const double folded = std::copysign(M_PI, reduced) - reduced;  // within 2.3e-16
  return SineKernel(std::fabs(reduced) > M_PI_2 ? folded : reduced);
}

// sin(x) of the extended x, or NaN when x is beyond the reduction's range.
double FastSine(long double x) { return SineOfReduced(Reduce(x)); }

// 2 pi in three doubles of 28, 28 and 53 bits (their sum is within 2e-34 of
// 2 pi): for k below 2^25, k times each of the first two is exact.
constexpr double kTwoPiHighDouble = 0x1.921fb54p+2;
constexpr double kTwoPiMiddleDouble = 0x1.10b461p-28;
constexpr double kTwoPiLowDouble = 0x1.a62633145c06ep-56;
constexpr double kLargestSinglePhase = 2.0e8;  // below 2^25 turns

// sin of a single-precision phase, reduced in double precision: the
// remainder errs by under 5e-16 more than the extended reduction's, so the
// sine stays within 2e-15 of the reference's.
double FastSineOfSingle(float xf) {
  const double x = xf;
  if (!(std::fabs(x) <= kLargestSinglePhase)) return FastSine(xf);
  const double k = NearestInteger(x * (1 / (2 * M_PI)));
  const double r = ((x - k * kTwoPiHighDouble) - k * kTwoPiMiddleDouble) - k * kTwoPiLowDouble;
  const double folded = std::copysign(M_PI, r) - r;
  return SineKernel(std::fabs(r) > M_PI_2 ? folded : r);
}

// Keeps a walked phase within [-pi, pi]: one turn of the extended 2 pi
// (within 2.2e-19 of the true one) at most, as each step adds at most pi.
inline long double Wrap(long double r) {
  constexpr long double kTwoPiExtended = 6.28318530717958647692528676655900577L;
  constexpr long double kPiExtended = kTwoPiExtended / 2;
  if (r > kPiExtended) return r - kTwoPiExtended;
  if (r < -kPiExtended) return r + kTwoPiExtended;
  return r;
}

// True when value narrows to the float f and so would any value within
// margin of it: it lies further than margin from both midpoints between f
// and its neighbours. False for zero, NaN and huge values.
template <typename Real>
inline bool NarrowsSafely(Real value, float f, Real margin) {
  if (f == 0.0f || !(std::fabs(f) < 1e30f) || !(value == value)) return false;
  // The neighbouring floats are one step away in the bit pattern.
  const auto bits = std::bit_cast<uint32_t>(f);
  const Real inner = (static_cast<Real>(f) + std::bit_cast<float>(bits - 1)) / 2;  // toward zero
  const Real outer = (static_cast<Real>(f) + std::bit_cast<float>(bits + 1)) / 2;  // away from zero
  return std::fabs(value - inner) > margin && std::fabs(outer - value) > margin;
}

// The linear law's phase without the reference's division:
// x = n * (c1 + c2 * n), c1 = 2 pi f0 / 44100, c2 = 2 pi D / (2 N 44100).
// Both this and the reference's x carry a few roundings of extended
// precision on terms no larger than n * (|c1| + |c2| n), so they differ by
// less than Bound(n) = 2e-18 * n * (|c1| + |c2| n), which grows with n.
// Callers widen their margins by the bound of the last frame they compute;
// the exponential law has no such shortcut, so it takes the reference's
// phase (bound 0).
class ApproximatePhase {
 public:
  explicit ApproximatePhase(const SignalRun& run) : run_(run), linear_(!run.LogarithmicSweep && run.N > 0) {
    constexpr long double kTwoPiOverRate = 6.28318530717958647692528676655900577L / 44100.0L;
    c1_ = run.f0 * kTwoPiOverRate;
    c2_ = static_cast<long double>(run.D) / (2.0L * run.N) * kTwoPiOverRate;
  }
  long double operator()(int32_t n) const {
    if (!linear_) return run_.Phase(n);
    const long double m = n;
    return m * (c1_ + c2_ * m);
  }
  long double Bound(int32_t n) const {
    const long double m = n;
    return linear_ ? 2e-18L * m * (std::fabs(c1_) + std::fabs(c2_) * m) : 0;
  }
  bool Linear() const { return linear_; }
  // x(n + 1) - x(n) = c1 + c2 (2n + 1), and how that grows from frame to frame.
  long double Increment(int32_t n) const { return c1_ + c2_ * (2.0L * n + 1); }
  long double IncrementStep() const { return 2 * c2_; }

 private:
  const SignalRun& run_;
  bool linear_;
  long double c1_ = 0;
  long double c2_ = 0;
};

// The single-precision phase, the reference's bit for bit: the approximate
// phase narrows to the same float unless it lies within its bound of a
// midpoint between two floats, where the reference's phase is taken.
float SinglePhase(const SignalRun& run, const ApproximatePhase& phase, long double bound, int32_t n) {
  const long double x = phase(n);
  const float f = static_cast<float>(x);
  if (bound == 0 || NarrowsSafely(x, f, bound)) return f;
  return static_cast<float>(run.Phase(n));
}

// Calls use(n, sine of frame n's phase) for n in [from, to). On the linear
// law the reduced phase is walked from frame to frame, by its increment,
// which itself grows by a fixed step: two additions and two wraps a frame
// instead of a phase and a reduction. Every kStride frames the walk starts
// afresh from a reduced phase, so its rounding errors (under 4.4e-19 an
// addition, and the increment's errors summed into the phase) stay below
// kWalkError.
constexpr int32_t kStride = 32;
constexpr long double kWalkError = 1e-15L;

template <typename Use>
void WalkSines(const ApproximatePhase& phase, int32_t from, int32_t to, Use use) {
  if (!phase.Linear()) {
    for (int32_t n = from; n < to; ++n) use(n, FastSine(phase(n)));
    return;
  }
  const long double step = Reduce(phase.IncrementStep());
  for (int32_t anchor = from; anchor < to; anchor += kStride) {
    const int32_t end = std::min(to, anchor + kStride);
    long double r = Reduce(phase(anchor));
    long double increment = Reduce(phase.Increment(anchor));
    if (std::isnan(r) || std::isnan(increment) || std::isnan(step)) {
      for (int32_t n = anchor; n < end; ++n) use(n, FastSine(phase(n)));  // NaN: the reference decides
      continue;
    }
    for (int32_t n = anchor; n < end; ++n) {
      use(n, SineOfReduced(r));
      r = Wrap(r + increment);
      increment = Wrap(increment + step);
    }
  }
}

}  // namespace

int64_t SynthesizeFrames(const SignalRun& run, int32_t from, int32_t to, int16_t* values) {
  const long double scale = run.A * 32767.0L;  // as the reference forms it
  int64_t slowFrames = 0;
  auto reference = [&](int32_t n) {
    ++slowFrames;
    return ClipTo16Bits(run.ComputeSample(n));
  };
  // Beyond the 32-bit range Round must raise its error as the reference does.
  const bool fast = scale < 2147483647.0L;

  const ApproximatePhase phase(run);
  const long double bound = phase.Bound(to);  // how far any phase here may lie from the reference's

  switch (fast ? run.WaveForm : -1) {
    case kSine: {
      const double margin = kTieMargin + static_cast<double>(scale * (bound + kWalkError));
      WalkSines(phase, from, to, [&](int32_t n, double d) {
        const double v = d * static_cast<double>(scale);
        const double nearest = NearestInteger(v);
        if (std::fabs(std::fabs(v - nearest) - 0.5) > margin) {
          values[n - from] = ClipTo16Bits(static_cast<int32_t>(nearest));
        } else {
          values[n - from] = reference(n);  // also takes a NaN from a huge phase
        }
      });
      break;
    }
    case kSquare: {
      const int16_t upper = ClipTo16Bits(Round(1 * scale));  // the two levels, rounded once
      const int16_t lower = ClipTo16Bits(Round(-1 * scale));
      const double margin = kSignMargin + static_cast<double>(bound + kWalkError);
      WalkSines(phase, from, to, [&](int32_t n, double d) {
        if (d > margin) {
          values[n - from] = upper;
        } else if (d < -margin) {
          values[n - from] = lower;
        } else {
          values[n - from] = reference(n);
        }
      });
      break;
    }
    case kTriangular: {
      const double scaleDouble = static_cast<double>(scale);
      for (int32_t n = from; n < to; ++n) {
        const float xf = SinglePhase(run, phase, bound, n);
        const double d = FastSineOfSingle(xf);
        const float s = static_cast<float>(d);  // the reference's single-precision sine, if safe
        bool exact = NarrowsSafely(d, s, kSineFloatMargin);
        float t = s;
        if (exact && std::fabs(s) != 1.0f) {
          const double a = std::asin(static_cast<double>(s)) * kTwoOverPi;
          t = static_cast<float>(a);
          exact = NarrowsSafely(a, t, std::fabs(a) * kArcSineRelativeMargin);
        }
        // The product in double is within 1.2e-6 of the extended one; away
        // from a half it rounds the same way.
        const double v = static_cast<double>(t) * scaleDouble;
        const double nearest = NearestInteger(v);
        exact = exact && std::fabs(std::fabs(v - nearest) - 0.5) > kTieMargin;
        values[n - from] = exact ? ClipTo16Bits(static_cast<int32_t>(nearest)) : reference(n);
      }
      break;
    }
    default:
      if (run.WaveForm >= kSine && run.WaveForm <= kTriangular) {
        for (int32_t n = from; n < to; ++n) values[n - from] = reference(n);  // raises its error
      } else {
        std::fill(values, values + (to - from), int16_t{0});  // nothing selected: silence
      }
      break;
  }
  return slowFrames;
}

}  // namespace sondrel
