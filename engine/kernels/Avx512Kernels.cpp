// The kernels for processors with AVX-512 (F, BW, DQ, VL) besides AVX2 and
// FMA: this file alone is built with those instruction sets, and runs only
// where the processor has all of them. Eight doubles a vector; the same
// operations, so the same values, as the other variants.
#define SONDREL_KERNEL_NAMESPACE avx512
#include "engine/kernels/KernelBody.h"

namespace sondrel {

const SynthesisKernels& Avx512Kernels() { return avx512::kKernels; }

}  // namespace sondrel
