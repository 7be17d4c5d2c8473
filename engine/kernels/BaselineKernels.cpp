// The kernels for any x86-64 processor (SSE2), and the phase law's
// constants, which need an exact product without a fused multiply-add.
#define SONDREL_KERNEL_NAMESPACE baseline
#include "engine/kernels/KernelBody.h"

namespace sondrel {

const SynthesisKernels& BaselineKernels() { return baseline::kKernels; }

namespace {

// numerator / denominator as high + low within 2^-105 relative: the rounded
// quotient's remainder numerator - high * denominator is a double, found
// exactly from the exact product (numerator - product is exact as the two
// lie within a factor of two), and only its quotient is rounded again.
void DivideDoubleDouble(double numerator, double denominator, double& high, double& low) {
  high = numerator / denominator;
  double productLow;
  const double product = baseline::TwoProduct(high, denominator, productLow);
  low = ((numerator - product) - productLow) / denominator;
}

}  // namespace

LinearPhaseLaw MakeLinearPhaseLaw(double f0, double D, int32_t N, int32_t rate) {
  LinearPhaseLaw law;
  const double sweepDenominator = 2.0 * rate * N;  // exact: rate below 2^21, N below 2^31
  DivideDoubleDouble(f0, rate, law.alphaHigh, law.alphaLow);
  DivideDoubleDouble(D, sweepDenominator, law.betaHigh, law.betaLow);
  law.c1 = static_cast<double>(kTwoPiExtended * f0 / static_cast<long double>(rate));
  law.c2 = static_cast<double>(kTwoPiExtended * D / sweepDenominator);
  return law;
}

}  // namespace sondrel
