// The long comparison of the fast synthesizer with the reference, for
// occasional use:  synthesis_identity_run [signals] [seed] [longest sweep in s]
#include <cstdio>
#include <cstdlib>

#include "tests/engine/SynthesisComparison.h"

int main(int argc, char** argv) {
  const long signals = argc > 1 ? std::atol(argv[1]) : 5000;
  const unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const double longest = argc > 3 ? std::atof(argv[3]) : 5;
  std::mt19937_64 random(seed);
  long failures = 0;
  for (long i = 0; i < signals; ++i) {
    const sondrel::RandomSignal signal = sondrel::MakeRandomSignal(random, longest);
    const std::string difference = sondrel::CompareWithReference(signal);
    if (!difference.empty()) {
      ++failures;
      std::printf("signal %ld (%s): %s\n", i, signal.Describe().c_str(), difference.c_str());
    }
    if ((i + 1) % 500 == 0) std::printf("%ld signals compared, %ld differ\n", i + 1, failures);
  }
  std::printf("%ld signals compared, %ld differ\n", signals, failures);
  return failures == 0 ? 0 : 1;
}
