// The kernels' source, built once per processor variant: each variant's
// source file defines SONDREL_KERNEL_NAMESPACE and includes this file, so
// that every function here is private to that file and built for its
// instruction set alone. No include guard, and nothing from other headers
// but built-in functions, for the same reason.
//
// Error bounds use u = 2^-53, the relative rounding error of a double, and
// count every rounding; "exact" steps are exact by Sterbenz's lemma or
// because the result has few enough bits. The loops have no branches the
// compiler cannot turn into blends, so they vectorise.

#include <cstdint>

#include "engine/kernels/SynthesisKernels.h"

#ifndef SONDREL_KERNEL_NAMESPACE
#error "define SONDREL_KERNEL_NAMESPACE before including KernelBody.h"
#endif

namespace sondrel::SONDREL_KERNEL_NAMESPACE {
namespace {

// To the nearest integer, halves to the even neighbour, for |y| < 2^51:
// adding 1.5 * 2^52 leaves no fraction bits.
inline double NearestInteger(double y) {
  const double shifted = y + 0x1.8p52;
  return shifted - 0x1.8p52;
}

inline double Absolute(double y) { return __builtin_fabs(y); }

// a * b + c, with one rounding where the processor fuses them, else two.
inline double MultiplyAdd(double a, double b, double c) {
#ifdef __FMA__
  return __builtin_fma(a, b, c);
#else
  return a * b + c;
#endif
}

// a * b = high + low exactly (far from overflow and underflow).
inline double TwoProduct(double a, double b, double& low) {
  const double high = a * b;
#ifdef __FMA__
  low = __builtin_fma(a, b, -high);
#else
  // Veltkamp's split into halves of 26 bits and Dekker's exact product.
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double ta = kSplitter * a;
  const double aHigh = ta - (ta - a);
  const double aLow = a - aHigh;
  const double tb = kSplitter * b;
  const double bHigh = tb - (tb - b);
  const double bLow = b - bHigh;
  low = ((aHigh * bHigh - high) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
#endif
  return high;
}

// sin(2 pi t) = t (S0 + z (S1 + z (S2 + ...))), z = t^2: the Taylor series in
// turns, S_k = (-1)^k (2 pi)^(2k+1) / (2k+1)!, formed in extended precision
// (within 30 * 2^-64 relative) and rounded once.
template <int kCount>
struct Coefficients {
  double c[kCount];
};

constexpr Coefficients<10> SineCoefficients() {
  Coefficients<10> result{};
  long double c = kTwoPiExtended;
  for (int k = 0; k < 10; ++k) {
    result.c[k] = static_cast<double>(c);
    c = -c * kTwoPiExtended * kTwoPiExtended / ((2 * k + 2) * (2 * k + 3));
  }
  return result;
}
constexpr Coefficients<10> kSine = SineCoefficients();

// c[0] + z (c[1] + z (c[2] + ...)), by Horner's rule.
template <int kCount>
inline double Horner(const Coefficients<kCount>& table, double z) {
  double p = table.c[kCount - 1];
#pragma GCC unroll 32  // unrolled, so that the loops around it vectorise
  for (int k = kCount - 2; k >= 0; --k) p = MultiplyAdd(p, z, table.c[k]);
  return p;
}

// sin(2 pi t) for |t| <= 1/2 (a little beyond is fine), within
// kSineKernelError = 1.5e-15. sin(2 pi t) = sin(2 pi (+-1/2 - t)) folds t
// into |u| <= 1/4 exactly. There the terms |S_k u^(2k+1)| are at most
// (pi/2)^(2k+1) / (2k+1)!: 1.571, 0.646, 0.0797, 0.00468, 1.6e-4, ... summing
// to sinh(pi/2) = 2.302, and the first one left out (k = 10) is 2.8e-16.
// Rounding: the coefficients 2.302 u; z = u^2, k u on term k, 0.82 u; each
// Horner step at most 2u relative (one for a fused step) on the terms from
// its own on, sum_k (k+1) |term_k| = 3.12, so 6.24 u; the last product u.
// In all (2.302 + 0.82 + 6.24 + 1) u + 2.8e-16 = 1.42e-15.
inline double SineOfTurns(double t) {
  const double folded = __builtin_copysign(0.5, t) - t;
  const double u = Absolute(t) > 0.25 ? folded : t;
  return u * Horner(kSine, u * u);
}

// asin(y) = y + y z R(z), z = y^2, R(z) = sum_{k>=1} c_k z^(k-1), with the
// Taylor coefficients c_k = (2k)! / (4^k (k!)^2 (2k+1)), 17 of them.
constexpr Coefficients<17> ArcSineCoefficients() {
  Coefficients<17> result{};
  long double c = 1;  // c_0
  for (int k = 1; k <= 17; ++k) {
    c = c * (2 * k - 1) * (2 * k - 1) / ((2 * k) * (2 * k + 1));
    result.c[k - 1] = static_cast<double>(c);
  }
  return result;
}
constexpr Coefficients<17> kArcSine = ArcSineCoefficients();  // c_1 ... c_17
constexpr double kTwoOverPi = static_cast<double>(2 / (kTwoPiExtended / 2));
constexpr double kFourOverPi = static_cast<double>(4 / (kTwoPiExtended / 2));

// (2/pi) asin(s) for |s| <= 1, within kArcSineError = 2e-13 relative.
// For |s| <= 1/2 the series takes y = |s|; beyond, asin|s| = pi/2 - 2 asin y
// with y = sqrt((1 - |s|) / 2) <= 1/2 ((1 - |s|) / 2 is exact), so the result
// is 1 - (4/pi) asin y, at least 1/3, and exactly 1 at |s| = 1.
// With y <= 1/2 the terms c_k y^(2k+1) fall at least fourfold; the first
// left out, k = 18, is below c_18 4^-18 y (4/3) with the rest, c_18 = 0.0036:
// 7e-14 relative to asin y >= y. All coefficients are positive and z >= 0:
// Horner's rounding is under 36 u on y z R, itself below 0.05 y; the sum
// and the products with y, z and 2/pi add 4 u; the rounded sqrt changes
// asin y by 1.2 u relative. The outer form turns an error e relative of
// (4/pi) asin y <= 2/3 into 2e relative of the result, plus u. In all
// under 2 * (7e-14 + 8 u) + u < 1.5e-13.
inline double ArcSineInHalfTurns(double s) {
  const double magnitude = Absolute(s);
  const bool outer = magnitude > 0.5;
  const double half = (1.0 - magnitude) * 0.5;
  const double y = outer ? __builtin_sqrt(half) : magnitude;
  const double z = outer ? half : magnitude * magnitude;
  const double r = Horner(kArcSine, z);
  const double arcSine = MultiplyAdd(y * z, r, y);
  const double result = outer ? 1.0 - kFourOverPi * arcSine : kTwoOverPi * arcSine;
  return __builtin_copysign(result, s);
}

// 2 pi = kTwoPiHigh + kTwoPiLow to within 6e-33.
constexpr double kTwoPiHigh = 0x1.921fb54442d18p+2;
constexpr double kTwoPiLow = 0x1.1a62633145c07p-52;
constexpr double kOneOverTwoPi = static_cast<double>(1 / kTwoPiExtended);

// Clipped to +-32767 (a NaN gives -32767).
inline double Clipped(double v) { return v > -32767.0 ? (v < 32767.0 ? v : 32767.0) : -32767.0; }

// The sample, or kDoubtful where the reference must decide; value is a
// whole number within +-32767.
inline int16_t SampleOrDoubt(bool doubtful, double value) {
  return static_cast<int16_t>(static_cast<int32_t>(doubtful ? kDoubtful : value));
}

// The linear law in turns: n alpha and n^2 beta as double-doubles (the
// products exact, the low parts' products within 2^-106 of the whole, the
// neglected n_low beta_low below 2^-106 of it, and alpha, beta within 2^-105:
// 2^-101 G in all), their whole turns dropped exactly (|high| < 2^51), and
// the fractions summed with two roundings of at most u each.
void LinearTurns(const LinearPhaseLaw& law, int32_t from, int32_t count, double* turns) {
  for (int32_t i = 0; i < count; ++i) {
    const double n = static_cast<double>(from + i);
    double pLow;
    const double pHigh = TwoProduct(n, law.alphaHigh, pLow);
    pLow = MultiplyAdd(n, law.alphaLow, pLow);
    double mLow;
    const double mHigh = TwoProduct(n, n, mLow);
    double qLow;
    const double qHigh = TwoProduct(mHigh, law.betaHigh, qLow);
    qLow = MultiplyAdd(mLow, law.betaHigh, MultiplyAdd(mHigh, law.betaLow, qLow));
    const double fractions = (pHigh - NearestInteger(pHigh)) + (qHigh - NearestInteger(qHigh));
    const double theta = fractions + (pLow + qLow);
    turns[i] = theta - NearestInteger(theta);
  }
}

// The linear law in radians: three roundings of at most u on terms below
// G', and c1, c2 within u (and the few extended roundings they were formed
// with): within 4.1 u G' < 2^-51 G'.
void LinearRadians(const LinearPhaseLaw& law, int32_t from, int32_t count, double* radians) {
  for (int32_t i = 0; i < count; ++i) {
    const double n = static_cast<double>(from + i);
    radians[i] = n * MultiplyAdd(law.c2, n, law.c1);
  }
}

// A value known within error of v rounds to the same integer r as v when
// |v - r| + error < 1/2 (v - r is exact); the doubled error also covers the
// rounding of 1/2 - 2 error. Clipped first: a loud value far beyond the range
// is no doubt (from an error of 1/4 on, the test leaves every value in doubt).
void SineValues(const double* turns, int32_t count, double scale, double valueError, int16_t* values) {
  const double limit = 0.5 - 2 * valueError;
  for (int32_t i = 0; i < count; ++i) {
    const double v = Clipped(SineOfTurns(turns[i]) * scale);
    const double rounded = NearestInteger(v);
    const bool doubtful = !(Absolute(v - rounded) < limit);
    values[i] = SampleOrDoubt(doubtful, rounded);
  }
}

// Round(sin(2 pi turns[i]) * sin(2 pi windowTurns[i])^2 * scale): a sine in
// a window of sin^2 = (1 - cos 2x) / 2, the Hann window's shape. The doubt
// test is SineValues'; valueError also bounds the window's error.
void WindowedSineValues(const double* turns, const double* windowTurns, int32_t count, double scale,
                        double valueError, int16_t* values) {
  const double limit = 0.5 - 2 * valueError;
  for (int32_t i = 0; i < count; ++i) {
    const double w = SineOfTurns(windowTurns[i]);
    const double v = Clipped(SineOfTurns(turns[i]) * (w * w) * scale);
    const double rounded = NearestInteger(v);
    const bool doubtful = !(Absolute(v - rounded) < limit);
    values[i] = SampleOrDoubt(doubtful, rounded);
  }
}

// The reference's square is upper where the single-precision sine is >= 0,
// which includes a tiny negative sine that narrows to -0: a sine further
// than sineError from zero leaves no doubt.
void SquareValues(const double* turns, int32_t count, double sineError, int16_t upper, int16_t lower,
                  int16_t* values) {
  const double upperLevel = upper, lowerLevel = lower;
  for (int32_t i = 0; i < count; ++i) {
    const double d = SineOfTurns(turns[i]);
    const bool doubtful = !(Absolute(d) > sineError);
    values[i] = SampleOrDoubt(doubtful, d > 0 ? upperLevel : lowerLevel);
  }
}

// The triangle follows the reference's single-precision steps; each is
// settled the same way as an integer rounding: a float conversion of
// value - 2e and value + 2e that agree. The phase narrows to the float xf.
// Its reduction: k xf exactly as high + low, xf - high exact (the two lie
// within a factor of two), then two roundings of at most 4u and 2pi's
// remainder k 6e-33: 9e-16 radians for k below 2^40; turns from that: u
// more in turns, 7e-16 radians. With the sine's 1.42e-15, the sine of xf
// is within kTriangleSineError = 3e-15 (the reference's sinl within 1e-18).
// The arc sine is within kArcSineError relative, the reference's
// arc tangent form within 5e-19. The last product: t is a float, exact in
// double, and t scale is within 2u scale of the extended t (A 32767).
void TriangleValues(const double* radians, int32_t count, double phaseError, double scale, int16_t* values) {
  const double phaseSpread = 2 * phaseError;
  const double productSpread = 2 * 0x1p-51 * scale;
  for (int32_t i = 0; i < count; ++i) {
    const bool inRange = Absolute(radians[i]) < kLargestTrianglePhase;
    const double x = inRange ? radians[i] : 0.0;
    const float phaseBelow = static_cast<float>(x - phaseSpread);
    const float phase = static_cast<float>(x + phaseSpread);

    const double xf = phase;
    const double k = NearestInteger(xf * kOneOverTwoPi);
    double low;
    const double high = TwoProduct(k, kTwoPiHigh, low);
    const double reduced = ((xf - high) - low) - k * kTwoPiLow;
    const double d = SineOfTurns(reduced * kOneOverTwoPi);
    const float sineBelow = static_cast<float>(d - 2 * kTriangleSineError);
    const float sine = static_cast<float>(d + 2 * kTriangleSineError);

    const double a = ArcSineInHalfTurns(sine);
    const double arcSpread = 2 * kArcSineError * Absolute(a);
    const float triangleBelow = static_cast<float>(a - arcSpread);
    const float triangle = static_cast<float>(a + arcSpread);

    const double v = static_cast<double>(triangle) * scale;
    const double lowValue = NearestInteger(v - productSpread);
    const double highValue = NearestInteger(v + productSpread);
    // Each difference is >= 0 (rounding is monotonic), so the sum is 0 only
    // when every step is settled.
    const double unsettled = (inRange ? 0.0 : 1.0) + (static_cast<double>(phase) - phaseBelow) +
                             (static_cast<double>(sine) - sineBelow) + (static_cast<double>(triangle) - triangleBelow) +
                             (highValue - lowValue);
    const bool doubtful = !(unsettled == 0);
    values[i] = SampleOrDoubt(doubtful, Clipped(highValue));
  }
}

// Whether any of the values is kDoubtful.
bool AnyDoubtful(const int16_t* values, int32_t count) {
  int32_t found = 0;
  for (int32_t i = 0; i < count; ++i) found |= values[i] == kDoubtful;
  return found != 0;
}

// Both channels' values in one little-endian 32-bit word, left in the low half.
void StereoFrames(const int16_t* values, int32_t count, int32_t left, int32_t right, uint8_t* frames) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t word = static_cast<uint16_t>(values[i] * left) |
                          static_cast<uint32_t>(static_cast<uint16_t>(values[i] * right)) << 16;
    __builtin_memcpy(frames + 4 * i, &word, 4);
  }
}

}  // namespace

// The variant's table; the body's functions have internal linkage.
const SynthesisKernels kKernels{LinearTurns,  LinearRadians, SineValues,  WindowedSineValues, SquareValues,
                                TriangleValues, AnyDoubtful,  StereoFrames, SineOfTurns,       ArcSineInHalfTurns};

}  // namespace sondrel::SONDREL_KERNEL_NAMESPACE
