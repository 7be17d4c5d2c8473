#pragma once
// Noise, white, pink or brown, as one period that the device repeats without
// a seam: the period's last frame flows into its first. The same colour and
// level give the same bytes on every machine and build: the definition uses
// integer arithmetic and plain IEEE double operations in a fixed order, and
// no library function whose last bit may differ between systems.
//
// The definition, for a period of P frames at R frames a second:
//  - P is the smallest power of two that holds 5 s (262144 at 44100 Hz).
//  - Bin k lies at k R / P Hz. Every bin from the first at or above 10 Hz up
//    to P/2 - 1 has the magnitude 1 (white), 1/sqrt(k) (pink: 3.01 dB less
//    power per octave) or 1/k (brown: 6.02 dB less). The bins below 10 Hz,
//    which no speaker plays and which would hold most of brown noise's power,
//    the constant and the bin at P/2 are 0.
//  - Pink noise in a band LOW-HIGH (NoiseBand): every pink bin's magnitude
//    is multiplied by the magnitudes of a 4th-order Butterworth high-pass at
//    LOW and low-pass at HIGH, 1 / sqrt((1 + (LOW/f)^8) (1 + (f/HIGH)^8))
//    with f = k R / P, each power formed by three squarings, in that order.
//    The band needs 0 < LOW < HIGH <= R/2.
//  - Bin k's phase is 2 pi j / P, where j is the top log2(P) bits of the
//    next number of a SplitMix64 sequence seeded with kNoiseSeed, drawn for
//    the bins in ascending order. Every colour has the same phases: pink and
//    brown are the white noise filtered. With independent channels, channel
//    c of the stream (the right one in stereo, a speaker's position in a
//    surround layout) draws from the seed NoiseChannelSeed(c) instead: the
//    same magnitudes, so the same spectrum and level, other phases, so no
//    correlation; channel 0 keeps kNoiseSeed, the noise of both-alike.
//  - x_n = sum over the bins of X_k e^(2 pi i k n / P), the bins above P/2
//    holding the conjugates, so x is real: computed by the radix-2
//    decimation-in-time transform with the twiddle factors of TwiddleTable.
//  - With S the sum of the squared magnitudes, x has the RMS sqrt(2 S)
//    (Parseval). The sample is c_n = Round(x_n * A * 32767 / (2 sqrt(S))),
//    A = 10^(dB / 20) as for the tones, so that the noise has the RMS of a
//    sine whose peak the same dB setting gives (the AES17 convention), and
//    clipped to +-32767 where a peak passes full scale.

#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PanelState.h"

namespace sondrel {

using Complex = std::complex<double>;

inline constexpr uint64_t kNoiseSeed = 0x536F6E6472656C21;  // "Sondrel!"
// kNoiseSeed plus c times SplitMix64's own increment: sequences apart.
inline constexpr uint64_t NoiseChannelSeed(int channel) {
  return kNoiseSeed + static_cast<uint64_t>(channel) * 0x9E3779B97F4A7C15u;
}
inline constexpr int32_t kNoiseLowestHz = 10;
inline constexpr int32_t kNoiseMinimumSeconds = 5;

// Frames of one period at `rate` frames a second.
int32_t NoisePeriodFrames(int32_t rate);

// e^(2 pi i j / P) for j = 0 .. P-1, P a power of two of at least 8: a
// polynomial for the first eighth of the circle, the rest by symmetry.
std::vector<Complex> TwiddleTable(int32_t period);

// The bins X_0 .. X_(P/2) of the colour (0 white, 1 pink, 2 brown; any other
// value gives none: silence), pink in its band where one is given, and the
// sum S of their squared magnitudes, the phases drawn from `seed`.
struct NoiseSpectrum {
  std::vector<Complex> bins;
  double powerSum = 0;
};
NoiseSpectrum NoiseBins(int32_t colour, const NoiseBand& band, int32_t period, int32_t rate, uint64_t seed,
                        const std::vector<Complex>& twiddles);
// The error of a band that no noise can have at the rate ("The noise band
// 500-30000 Hz must lie between 0 Hz and half the rate (22050 Hz), its low
// edge below its high one"); empty for a good band or none.
std::string NoiseBandProblem(const NoiseBand& band, int32_t rate);

// The full spectrum of P bins, the upper half the conjugates of the lower.
std::vector<Complex> HermitianSpectrum(const NoiseSpectrum& spectrum, int32_t period);

// The 16-bit value of x_n at the scale A * 32767 / (2 sqrt(S)).
int16_t NoiseSampleOf(double x, long double scale);
// A * fullScale / (2 sqrt(S)): x_n times it is the sample before rounding.
long double NoiseScale(long double A, double powerSum, long double fullScale = 32767);

}  // namespace sondrel
