#include "engine/noise/NoiseDefinition.h"

#include <cmath>
#include <cstdio>

#include "engine/NumberText.h"
#include "engine/Synthesis.h"

namespace sondrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Taylor coefficients of sin and cos, up to the terms in x^19 and x^20,
// which are below 1e-19 for |x| <= pi/4.
constexpr double Factorial(int n) { return n <= 1 ? 1.0 : n * Factorial(n - 1); }
constexpr double kSineTerms[] = {1 / Factorial(1),   -1 / Factorial(3),  1 / Factorial(5),  -1 / Factorial(7),
                                 1 / Factorial(9),   -1 / Factorial(11), 1 / Factorial(13), -1 / Factorial(15),
                                 1 / Factorial(17), -1 / Factorial(19)};
constexpr double kCosineTerms[] = {1,                 -1 / Factorial(2),  1 / Factorial(4),  -1 / Factorial(6),
                                   1 / Factorial(8),  -1 / Factorial(10), 1 / Factorial(12), -1 / Factorial(14),
                                   1 / Factorial(16), -1 / Factorial(18), 1 / Factorial(20)};

// Horner in x^2, highest term first.
template <size_t Terms>
double Polynomial(const double (&terms)[Terms], double square) {
  double sum = terms[Terms - 1];
  for (size_t i = Terms - 1; i-- > 0;) sum = sum * square + terms[i];
  return sum;
}

// e^(i x) for 0 <= x <= pi/4.
Complex FirstOctant(double x) {
  const double square = x * x;
  return {Polynomial(kCosineTerms, square), x * Polynomial(kSineTerms, square)};
}

// SplitMix64: a 64-bit counter through a fixed mixing function.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

int Log2(int32_t powerOfTwo) {
  int bits = 0;
  while ((int32_t{1} << bits) < powerOfTwo) ++bits;
  return bits;
}

}  // namespace

int32_t NoisePeriodFrames(int32_t rate) {
  int32_t period = 8;
  while (period < int64_t{kNoiseMinimumSeconds} * rate) period *= 2;
  return period;
}

std::vector<Complex> TwiddleTable(int32_t period) {
  std::vector<Complex> table(static_cast<size_t>(period));
  const int32_t eighth = period / 8, quarter = period / 4;
  // The first quarter: the polynomial up to pi/4, then cos and sin swapped.
  for (int32_t j = 0; j <= eighth; ++j) {
    const Complex w = FirstOctant(kTwoPi * (static_cast<double>(j) / period));
    table[static_cast<size_t>(j)] = w;
    if (j < eighth) table[static_cast<size_t>(quarter - j)] = {w.imag(), w.real()};
  }
  // Each further quarter turns the first by a right angle: exact.
  for (int32_t j = quarter; j < period; ++j) {
    const Complex w = table[static_cast<size_t>(j - quarter)];
    table[static_cast<size_t>(j)] = {-w.imag(), w.real()};
  }
  return table;
}

namespace {

// The eighth power by three squarings.
double EighthPower(double x) {
  const double square = x * x;
  const double fourth = square * square;
  return fourth * fourth;
}

// Hz as the band's error shows them: whole, or with their decimals.
std::string HertzText(double f) {
  char text[48];
  std::snprintf(text, sizeof text, "%.10g", f);
  return text;
}

}  // namespace

std::string NoiseBandProblem(const NoiseBand& band, int32_t rate) {
  if (!band.Limited()) return {};
  if (band.low > 0 && band.low < band.high && band.high <= rate / 2.0) return {};
  return "The noise band " + HertzText(band.low) + "-" + HertzText(band.high) + " Hz must lie between 0 Hz and " +
         "half the rate (" + HertzText(rate / 2.0) + " Hz), its low edge below its high one";
}

NoiseSpectrum NoiseBins(int32_t colour, const NoiseBand& band, int32_t period, int32_t rate, uint64_t seed,
                        const std::vector<Complex>& twiddles) {
  NoiseSpectrum spectrum;
  spectrum.bins.assign(static_cast<size_t>(period / 2 + 1), Complex{});
  if (colour < kWhite || colour > kBrown) return spectrum;
  const int32_t lowest = static_cast<int32_t>((int64_t{kNoiseLowestHz} * period + rate - 1) / rate);
  const int shift = 64 - Log2(period);
  SplitMix64 random(seed);
  for (int32_t k = lowest; k < period / 2; ++k) {
    double magnitude = colour == kWhite  ? 1.0
                       : colour == kPink ? 1.0 / std::sqrt(static_cast<double>(k))
                                         : 1.0 / k;
    if (colour == kPink && band.Limited()) {
      const double f = static_cast<double>(k) * rate / period;
      magnitude /= std::sqrt((1.0 + EighthPower(band.low / f)) * (1.0 + EighthPower(f / band.high)));
    }
    const Complex phase = twiddles[static_cast<size_t>(random.Next() >> shift)];
    spectrum.bins[static_cast<size_t>(k)] = {magnitude * phase.real(), magnitude * phase.imag()};
    spectrum.powerSum += magnitude * magnitude;
  }
  return spectrum;
}

std::vector<Complex> HermitianSpectrum(const NoiseSpectrum& spectrum, int32_t period) {
  std::vector<Complex> full(static_cast<size_t>(period));
  for (int32_t k = 0; k <= period / 2; ++k) full[static_cast<size_t>(k)] = spectrum.bins[static_cast<size_t>(k)];
  for (int32_t k = 1; k < period / 2; ++k) full[static_cast<size_t>(period - k)] = std::conj(full[static_cast<size_t>(k)]);
  return full;
}

long double NoiseScale(long double A, double powerSum, long double fullScale) {
  if (powerSum == 0) return 0;
  return A * fullScale / (2.0L * std::sqrt(static_cast<long double>(powerSum)));
}

int16_t NoiseSampleOf(double x, long double scale) { return ClipTo16Bits(Round(x * scale)); }

}  // namespace sondrel
