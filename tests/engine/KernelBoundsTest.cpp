// The error bounds the kernels' comments derive, checked against long
// double and 113-bit (__float128) arithmetic for every variant the
// processor runs. A bound that is too small for what the code does fails
// here long before it fails as a rare wrong sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "engine/kernels/SynthesisKernels.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;

class KernelBoundsTest : public ::testing::TestWithParam<KernelVariant> {
 protected:
  const SynthesisKernels& Kernels() const {
    return KernelsOf(GetParam());
  }
};

TEST_P(KernelBoundsTest, SineOfTurnsStaysWithinItsBound) {
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> turns(-0.5, 0.5);
  double worst = 0;
  for (int i = 0; i < 2000000; ++i) {
    const double t = i < 9 ? (i - 4) * 0.125 : turns(random);  // the folds' edges first
    const long double exact = std::sin(kTwoPi * t);
    worst = std::max(worst, static_cast<double>(std::fabs(Kernels().sineOfTurns(t) - exact)));
  }
  EXPECT_LT(worst, kSineKernelError);
  std::printf("largest error %.3g, bound %.3g\n", worst, kSineKernelError);
}

TEST_P(KernelBoundsTest, ArcSineStaysWithinItsRelativeBound) {
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> uniform(-1, 1);
  double worst = 0;
  for (int i = 0; i < 2000000; ++i) {
    // Single-precision sines, as the triangle takes them, many close to +-1 and 0.5.
    float s = static_cast<float>(uniform(random));
    if (i % 4 == 1) s = std::nextafter(1.0f, 0.0f) - static_cast<float>(i % 1000) * 0x1p-24f;
    if (i % 4 == 2) s = 0.5f + static_cast<float>(i % 2000 - 1000) * 0x1p-24f;
    const long double exact = std::asin(static_cast<long double>(s)) * 2 / (kTwoPi / 2);
    const double got = Kernels().arcSineInHalfTurns(s);
    if (exact != 0) worst = std::max(worst, static_cast<double>(std::fabs((got - exact) / exact)));
  }
  EXPECT_LT(worst, kArcSineError);
  std::printf("largest relative error %.3g, bound %.3g\n", worst, kArcSineError);
  EXPECT_EQ(Kernels().arcSineInHalfTurns(1.0), 1.0);
  EXPECT_EQ(Kernels().arcSineInHalfTurns(-1.0), -1.0);
  EXPECT_EQ(Kernels().arcSineInHalfTurns(0.0), 0.0);
}

// Random linear laws up to phases of 2^40 turns, against the law in 113 bits.
TEST_P(KernelBoundsTest, LinearPhasesStayWithinTheirBounds) {
  std::mt19937_64 random(3);
  auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  constexpr int32_t kFrames = 64;
  double turns[kFrames], radians[kFrames];
  int checked = 0;
  for (int law = 0; law < 3000; ++law) {
    const double scale = std::pow(10.0, uniform(-3, 9));
    const double f0 = uniform(-1, 1) * scale;
    const double D = uniform(-2, 2) * scale;
    const auto N = static_cast<int32_t>(uniform(1, 2147483647));
    const auto from = static_cast<int32_t>(uniform(0, 1) * (N > kFrames ? N - kFrames : 0));
    const LinearPhaseLaw phaseLaw = MakeLinearPhaseLaw(f0, D, N, 44100);
    const double lastFrame = from + kFrames;
    const double turnsBound = lastFrame * (std::fabs(f0) / 44100 + std::fabs(D) / (88200.0 * N) * lastFrame);
    if (turnsBound > 0x1p40) continue;
    ++checked;
    Kernels().linearTurns(phaseLaw, from, kFrames, turns);
    Kernels().linearRadians(phaseLaw, from, kFrames, radians);
    for (int32_t i = 0; i < kFrames; ++i) {
      const __float128 n = from + i;
      const __float128 exact = n * (static_cast<__float128>(f0) / 44100) +
                               n * n * (static_cast<__float128>(D) / (88200 * static_cast<__float128>(N)));
      const __float128 fraction = exact - static_cast<__float128>(static_cast<long long>(exact));
      double turnsError = std::fabs(turns[i] - static_cast<double>(fraction));
      turnsError = std::min(turnsError, std::fabs(1 - turnsError));  // a whole turn apart is no error
      ASSERT_LE(turnsError, 2.3e-16 + 0x1p-101 * turnsBound) << f0 << " " << D << " " << N << " frame " << from + i;
      ASSERT_LE(std::fabs(turns[i]), 0.5);
      const __float128 exactRadians = exact * static_cast<__float128>(kTwoPi);  // kTwoPi is within 1e-19 relative
      const double radiansError = std::fabs(static_cast<double>(static_cast<__float128>(radians[i]) - exactRadians));
      ASSERT_LE(radiansError, 0x1p-51 * (6.2831853071795865 * turnsBound) + 1e-18 * std::fabs(radians[i]))
          << f0 << " " << D << " " << N << " frame " << from + i;
    }
  }
  EXPECT_GT(checked, 1000);
}

// A value that the error allowed could put on either side of a rounding
// boundary is left to the reference; a clear one is the reference's value.
TEST_P(KernelBoundsTest, LeavesValuesNearARoundingBoundaryInDoubt) {
  int16_t values[3];
  // sin(2 pi / 12) = 1/2: a tie at scale 1; sin(2 pi 0.3) * 32767 is 31163.3.
  const double turns[2] = {1.0 / 12, 0.3};
  Kernels().sineValues(turns, 1, 1.0, 1e-15, values);
  EXPECT_EQ(values[0], kDoubtful);
  Kernels().sineValues(turns + 1, 1, 32767.0, 32767.0 * 1e-15, values);
  EXPECT_EQ(values[0], std::lround(std::sin(kTwoPi * 0.3L) * 32767));
  // Far beyond the range is no doubt; an error of half a step leaves all in doubt.
  Kernels().sineValues(turns + 1, 1, 1e6, 1e-3, values);
  EXPECT_EQ(values[0], 32767);
  Kernels().sineValues(turns + 1, 1, 1e6, 0.3, values);

  // The square: a zero sine is in doubt, a quarter turn is not.
  const double square[3] = {0.0, 0.25, -0.25};
  Kernels().squareValues(square, 3, 1e-15, 9, -9, values);
  EXPECT_EQ(values[0], kDoubtful);
  EXPECT_EQ(values[1], 9);
  EXPECT_EQ(values[2], -9);

  // The triangle: a phase known only to within a radian is in doubt; its
  // peaks are not.
  const double radians[3] = {1.0, static_cast<double>(kTwoPi / 4), static_cast<double>(kTwoPi * 3 / 4)};
  Kernels().triangleValues(radians, 1, 0.5, 32767.0, values);
  EXPECT_EQ(values[0], kDoubtful);
  Kernels().triangleValues(radians + 1, 2, 1e-16, 32767.0, values + 1);
  EXPECT_EQ(values[1], 32767);
  EXPECT_EQ(values[2], -32767);
  EXPECT_FALSE(Kernels().anyDoubtful(values + 1, 2));
  EXPECT_TRUE(Kernels().anyDoubtful(values, 3));
}

TEST_P(KernelBoundsTest, StereoFramesCarryEachChannelsValue) {
  const int16_t values[] = {0, 1, -1, 32767, -32767, 12345, -300, 7, 8};
  uint8_t frames[4 * 9];
  Kernels().stereoFrames(values, 9, 1, -1, frames);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(static_cast<int16_t>(frames[4 * i] | frames[4 * i + 1] << 8), values[i]);
    EXPECT_EQ(static_cast<int16_t>(frames[4 * i + 2] | frames[4 * i + 3] << 8), -values[i]);
  }
  Kernels().stereoFrames(values, 9, 0, 1, frames);
  EXPECT_EQ(frames[4 * 3] | frames[4 * 3 + 1], 0);
  EXPECT_EQ(static_cast<int16_t>(frames[4 * 3 + 2] | frames[4 * 3 + 3] << 8), 32767);
}

std::string VariantTestName(KernelVariant variant) {
  constexpr const char* kNames[] = {"Baseline", "Avx2Fma", "Avx512"};
  return kNames[static_cast<int>(variant)];
}

INSTANTIATE_TEST_SUITE_P(Variants, KernelBoundsTest, ::testing::ValuesIn(SupportedKernelVariants()),
                         [](const auto& param) { return VariantTestName(param.param); });

}  // namespace
}  // namespace sondrel
