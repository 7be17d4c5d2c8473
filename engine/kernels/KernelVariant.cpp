#include <atomic>

#include "engine/kernels/SynthesisKernels.h"

namespace sondrel {

namespace {

bool ProcessorHasAvx2Fma() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}

// -1: the best supported variant.
std::atomic<int> gChosenVariant{-1};

}  // namespace

std::vector<KernelVariant> SupportedKernelVariants() {
  std::vector<KernelVariant> variants{KernelVariant::Baseline};
  if (ProcessorHasAvx2Fma()) variants.push_back(KernelVariant::Avx2Fma);
  return variants;
}

const char* KernelVariantName(KernelVariant variant) {
  return variant == KernelVariant::Avx2Fma ? "AVX2+FMA" : "x86-64 baseline";
}

KernelVariant ActiveKernelVariant() {
  const int chosen = gChosenVariant.load();
  if (chosen >= 0) return static_cast<KernelVariant>(chosen);
  return ProcessorHasAvx2Fma() ? KernelVariant::Avx2Fma : KernelVariant::Baseline;
}

const SynthesisKernels& ActiveKernels() {
  return ActiveKernelVariant() == KernelVariant::Avx2Fma ? Avx2FmaKernels() : BaselineKernels();
}

void ChooseKernelVariant(std::optional<KernelVariant> variant) {
  gChosenVariant = variant ? static_cast<int>(*variant) : -1;
}

}  // namespace sondrel
