// The kernels for processors with AVX2 and FMA: this file alone is built
// with -mavx2 -mfma, and runs only where the processor has both.
#define SONDREL_KERNEL_NAMESPACE avx2fma
#include "engine/kernels/KernelBody.h"

namespace sondrel {

const SynthesisKernels& Avx2FmaKernels() { return avx2fma::kKernels; }

}  // namespace sondrel
