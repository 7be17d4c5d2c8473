#pragma once
// The inner loops of the fast synthesizer: branch-free loops over a block of
// frames that the compiler vectorises. They are built twice from one source
// (KernelBody.h): for any x86-64 processor, and for processors with AVX2 and
// FMA; the program picks the best one the processor offers.
//
// A kernel never has the last word on a sample. Where a value lies so close
// to a rounding boundary that the extended-precision reference could round
// it the other way, it writes kDoubtful instead, a value the synthesis never
// gives. The caller computes those frames with the reference; all others are
// the reference's exactly. Both variants therefore give the same bytes,
// although their intermediate doubles differ.

#include <cstdint>
#include <optional>
#include <vector>

namespace sondrel {

// 2 pi in extended precision, as the reference holds it.
inline constexpr long double kTwoPiExtended = 6.28318530717958647692528676655900577L;

// The linear law x(n) = 2 pi n (f0 + D n / (2 N)) / R radians (R the rate), in the
// two forms the kernels take it.
struct LinearPhaseLaw {
  // In turns: x / 2 pi = n alpha + n^2 beta, with alpha = f0 / R and
  // beta = D / (88200 N), each a double-double (high + low) within 2^-105
  // of its value, relative.
  double alphaHigh = 0, alphaLow = 0;
  double betaHigh = 0, betaLow = 0;
  // In radians: x = n (c1 + c2 n), c1 = 2 pi f0 / R and
  // c2 = 2 pi D / (88200 N), each rounded once to double.
  double c1 = 0, c2 = 0;
};
LinearPhaseLaw MakeLinearPhaseLaw(double f0, double D, int32_t N, int32_t rate);

// How far a kernel's sine of an exact phase in turns may lie from the true
// sine (see SineOfTurns in KernelBody.h).
inline constexpr double kSineKernelError = 1.5e-15;
// How far the triangle's kernel may lie from the sine of its float phase
// (reduction and sine, see TriangleValues), absolute, and from its arc sine
// (2/pi) asin(s), relative.
inline constexpr double kTriangleSineError = 3e-15;
inline constexpr double kArcSineError = 2e-13;
// Phases the triangle's kernel reduces; beyond, its frames are in doubt.
inline constexpr double kLargestTrianglePhase = 6.0e12;  // below 2^40 turns

// The value of a frame left to the reference: never a sample's (they are
// clipped to +-32767).
inline constexpr int16_t kDoubtful = -32768;

struct SynthesisKernels {
  // turns[i] = the phase of frame from + i modulo one turn, in [-1/2, 1/2],
  // within 2.3e-16 + 2^-101 G turns of x / 2 pi, where G = n (|alpha| + |beta| n)
  // bounds the phase in turns; for G below 2^40.
  void (*linearTurns)(const LinearPhaseLaw& law, int32_t from, int32_t count, double* turns);
  // radians[i] = the phase of frame from + i, within 2^-51 G' of x, where
  // G' = n (|c1| + |c2| n) bounds the phase in radians.
  void (*linearRadians)(const LinearPhaseLaw& law, int32_t from, int32_t count, double* radians);

  // The values below are clipped to +-32767, or kDoubtful. scale is
  // A * 32767 rounded to double, below 2^31. A NaN phase gives a value that
  // means nothing, but never undefined behaviour.
  //
  // Round(sin x * scale); valueError bounds how far the kernel's product
  // may lie from the reference's, in sample units, and is at least
  // 2^-52 scale.
  void (*sineValues)(const double* turns, int32_t count, double scale, double valueError, int16_t* values);
  // Round(sin x * sin(y)^2 * scale), y = 2 pi windowTurns[i] in [0, pi]:
  // a sine in a Hann-shaped window; valueError as for sineValues, the
  // window's error included.
  void (*windowedSineValues)(const double* turns, const double* windowTurns, int32_t count, double scale,
                             double valueError, int16_t* values);
  // upper where sin x >= 0, lower otherwise; sineError bounds how far the
  // kernel's sine may lie from the reference's.
  void (*squareValues)(const double* turns, int32_t count, double sineError, int16_t upper, int16_t lower,
                       int16_t* values);
  // Round((2/pi) asin(sin x) * scale) with every single-precision step of
  // the reference; phaseError bounds how far radians[i] lies from the
  // reference's phase, and is at least 2^-52 |radians[i]|.
  void (*triangleValues)(const double* radians, int32_t count, double phaseError, double scale, int16_t* values);
  // Whether any of the values is kDoubtful.
  bool (*anyDoubtful)(const int16_t* values, int32_t count);

  // Stereo frames, low byte first: value * left, then value * right.
  void (*stereoFrames)(const int16_t* values, int32_t count, int32_t left, int32_t right, uint8_t* frames);

  // Two building blocks, for the tests of their bounds: sin(2 pi t) for
  // |t| <= 1/2, within kSineKernelError, and (2/pi) asin(s) for |s| <= 1,
  // within kArcSineError relative.
  double (*sineOfTurns)(double t);
  double (*arcSineInHalfTurns)(double s);
};

enum class KernelVariant { Baseline, Avx2Fma, Avx512 };

const SynthesisKernels& BaselineKernels();
const SynthesisKernels& Avx2FmaKernels();
const SynthesisKernels& Avx512Kernels();
const SynthesisKernels& KernelsOf(KernelVariant variant);

// The variants this processor runs, the baseline first, the widest last.
std::vector<KernelVariant> SupportedKernelVariants();
const char* KernelVariantName(KernelVariant variant);
// The kernels the synthesis uses: the last supported variant unless one is
// chosen (for tests and benchmarks; nullopt restores the default).
const SynthesisKernels& ActiveKernels();
KernelVariant ActiveKernelVariant();
void ChooseKernelVariant(std::optional<KernelVariant> variant);

}  // namespace sondrel
