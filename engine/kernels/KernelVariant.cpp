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

// Every instruction set Avx512Kernels.cpp is built with.
bool ProcessorHasAvx512() {
  static const bool has = [] {
    __builtin_cpu_init();
    return ProcessorHasAvx2Fma() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
  }();
  return has;
}

// -1: the best supported variant.
std::atomic<int> gChosenVariant{-1};

}  // namespace

std::vector<KernelVariant> SupportedKernelVariants() {
  std::vector<KernelVariant> variants{KernelVariant::Baseline};
  if (ProcessorHasAvx2Fma()) variants.push_back(KernelVariant::Avx2Fma);
  if (ProcessorHasAvx512()) variants.push_back(KernelVariant::Avx512);
  return variants;
}

const char* KernelVariantName(KernelVariant variant) {
  switch (variant) {
    case KernelVariant::Avx512: return "AVX-512";
    case KernelVariant::Avx2Fma: return "AVX2+FMA";
    case KernelVariant::Baseline: break;
  }
  return "x86-64 baseline";
}

KernelVariant ActiveKernelVariant() {
  const int chosen = gChosenVariant.load();
  if (chosen >= 0) return static_cast<KernelVariant>(chosen);
  return SupportedKernelVariants().back();
}

const SynthesisKernels& KernelsOf(KernelVariant variant) {
  switch (variant) {
    case KernelVariant::Avx512: return Avx512Kernels();
    case KernelVariant::Avx2Fma: return Avx2FmaKernels();
    case KernelVariant::Baseline: break;
  }
  return BaselineKernels();
}

const SynthesisKernels& ActiveKernels() { return KernelsOf(ActiveKernelVariant()); }

void ChooseKernelVariant(std::optional<KernelVariant> variant) {
  gChosenVariant = variant ? static_cast<int>(*variant) : -1;
}

}  // namespace sondrel
