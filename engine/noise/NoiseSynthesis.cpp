#include "engine/noise/NoiseSynthesis.h"

#include <bit>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "engine/noise/NoiseDefinition.h"

namespace sondrel {

namespace {

// w * x, written out so that both transforms round exactly alike.
Complex Times(const Complex& w, const Complex& x) {
  return {w.real() * x.real() - w.imag() * x.imag(), w.real() * x.imag() + w.imag() * x.real()};
}
Complex Plus(const Complex& a, const Complex& b) { return {a.real() + b.real(), a.imag() + b.imag()}; }
Complex Minus(const Complex& a, const Complex& b) { return {a.real() - b.real(), a.imag() - b.imag()}; }

// The reference transform: out[0..n) = sum_k in[k * stride] e^(2 pi i k m / n),
// from the two halves' transforms (even and odd k) and n/2 butterflies.
void RecursiveTransform(const Complex* in, size_t stride, size_t n, Complex* out, const std::vector<Complex>& twiddles) {
  if (n == 1) {
    out[0] = in[0];
    return;
  }
  const size_t half = n / 2;
  RecursiveTransform(in, 2 * stride, half, out, twiddles);
  RecursiveTransform(in + stride, 2 * stride, half, out + half, twiddles);
  const size_t step = twiddles.size() / n;
  for (size_t k = 0; k < half; ++k) {
    const Complex t = Times(twiddles[k * step], out[k + half]);
    const Complex e = out[k];
    out[k] = Plus(e, t);
    out[k + half] = Minus(e, t);
  }
}

// The same butterflies in place, stage by stage, on the bins in bit-reversed
// order: each value goes through exactly the operations of the recursion.
void IterativeTransform(std::vector<Complex>& values, const std::vector<Complex>& twiddles) {
  const size_t n = values.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(values[i], values[j]);
  }
  for (size_t size = 2; size <= n; size *= 2) {
    const size_t half = size / 2, step = n / size;
    for (size_t start = 0; start < n; start += size) {
      Complex* block = values.data() + start;
      for (size_t k = 0; k < half; ++k) {
        const Complex t = Times(twiddles[k * step], block[k + half]);
        const Complex e = block[k];
        block[k] = Plus(e, t);
        block[k + half] = Minus(e, t);
      }
    }
  }
}

struct NoiseShape {
  std::vector<double> x;  // x_n, n = 0 .. P-1
  double powerSum = 0;
};

// The period's shape from the reference transform.
NoiseShape ReferenceShape(int32_t colour, const NoiseBand& band, int32_t period, int32_t rate, uint64_t seed) {
  const std::vector<Complex> twiddles = TwiddleTable(period);
  const NoiseSpectrum spectrum = NoiseBins(colour, band, period, rate, seed, twiddles);
  const std::vector<Complex> bins = HermitianSpectrum(spectrum, period);
  std::vector<Complex> values(bins.size());
  RecursiveTransform(bins.data(), 1, bins.size(), values.data(), twiddles);
  NoiseShape shape{std::vector<double>(values.size()), spectrum.powerSum};
  for (size_t n = 0; n < values.size(); ++n) shape.x[n] = values[n].real();
  return shape;
}

// The period's shape from the in-place transform, computed once per colour,
// band, rate and seed and then kept (2 MiB each at 44100 Hz).
std::shared_ptr<const NoiseShape> KeptShape(int32_t colour, NoiseBand band, int32_t period, int32_t rate, uint64_t seed) {
  static std::mutex mutex;
  static std::map<std::tuple<int32_t, double, double, int32_t, int32_t, uint64_t>, std::shared_ptr<const NoiseShape>> kept;
  const std::lock_guard<std::mutex> lock(mutex);
  if (colour < kWhite || colour > kBrown) colour = -1;  // no colour: silence
  if (colour != kPink) band = {};                       // only pink has a band
  std::shared_ptr<const NoiseShape>& shape = kept[{colour, band.low, band.high, period, rate, seed}];
  if (shape) return shape;
  static std::map<int32_t, std::vector<Complex>> twiddleTables;
  std::vector<Complex>& twiddles = twiddleTables[period];
  if (twiddles.empty()) twiddles = TwiddleTable(period);
  const NoiseSpectrum spectrum = NoiseBins(colour, band, period, rate, seed, twiddles);
  std::vector<Complex> values = HermitianSpectrum(spectrum, period);
  IterativeTransform(values, twiddles);
  auto made = std::make_shared<NoiseShape>();
  made->powerSum = spectrum.powerSum;
  made->x.resize(values.size());
  for (size_t n = 0; n < values.size(); ++n) made->x[n] = values[n].real();
  shape = made;
  return shape;
}

// The definition's samples Round(x * scale) (NoiseSampleOf) of one shape,
// the program's way: in double, x * scale rounds once and scale was rounded
// once from its extended value, so the product lies within 2^-51 of its
// size (at most 3e-11 for any level up to +10 dB, 5e-7 near the 32-bit
// limit) of the extended one. A first pass, which vectorises, marks where
// that could put it on the other side of a half, or where it leaves the
// range this can judge (-32768, which no sample is); the definition decides
// those. `definition`: every sample by the definition.
void NoiseSamples(const NoiseShape& shape, long double scale, bool definition, std::vector<int16_t>& out) {
  constexpr double kDoubt = 1e-6;
  constexpr double kLargest = 0x1p30;
  constexpr int16_t kUndecided = -32768;
  const size_t count = shape.x.size();
  out.resize(count);
  const double* x = shape.x.data();
  const double s = static_cast<double>(scale);
  for (size_t n = 0; n < count; ++n) {
    const double v = x[n] * s;
    const double rounded = (v + 0x1.8p52) - 0x1.8p52;  // to the nearest, halves to even, for |v| < 2^51
    const bool settled = !definition && std::fabs(v) < kLargest && std::fabs(v - rounded) < 0.5 - kDoubt;
    const double clipped = rounded > 32767.0 ? 32767.0 : rounded < -32767.0 ? -32767.0 : rounded;
    out[n] = settled ? static_cast<int16_t>(clipped) : kUndecided;
  }
  for (size_t n = 0; n < count; ++n) {
    if (out[n] == kUndecided) out[n] = NoiseSampleOf(x[n], scale);
  }
}

// Channel c of the stream holds shape c's samples times factor c (-1, 0 or
// 1), interleaved; a shape shared by neighbouring channels is rounded once.
void WriteNoise(const std::vector<std::shared_ptr<const NoiseShape>>& shapes, const std::vector<int>& factors,
                long double scale, PcmBuffer& stream, bool definition) {
  static_assert(std::endian::native == std::endian::little, "samples are stored low byte first");
  const size_t channels = factors.size(), count = shapes[0]->x.size();
  auto* out = reinterpret_cast<int16_t*>(stream.Grow(count * channels * 2));
  std::vector<int16_t> column;
  const NoiseShape* rounded = nullptr;
  for (size_t channel = 0; channel < channels; ++channel) {
    const auto factor = static_cast<int16_t>(factors[channel]);
    if (factor != 0 && shapes[channel].get() != rounded) {
      rounded = shapes[channel].get();
      NoiseSamples(*rounded, scale, definition, column);
    }
    for (size_t n = 0; n < count; ++n) out[n * channels + channel] = factor == 0 ? int16_t{0} : static_cast<int16_t>(column[n] * factor);
  }
}

// The factors of the panel's channels: one for a mono stream, the two
// boxes' in stereo (the right one's times the phase).
std::vector<int> ChannelFactors(const PanelState& state, const ChannelGains& gains) {
  if (!StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, StereoAlways(state))) return {1};
  return {gains.LeftGain, gains.PhaseSign * gains.RightGain};
}

// The amplitude, then the band, as the panel's values are checked in order.
long double CheckedAmplitude(const PanelState& state) {
  const long double A = AmplitudeOf(state.Amplitude);
  if (state.NoiseColour == kPink) {
    if (const std::string problem = NoiseBandProblem(state.Band, state.SampleRate); !problem.empty()) {
      throw AppError(problem);
    }
  }
  return A;
}

// The shapes of `channels` channels: each its own with independent
// channels, otherwise one for all.
template <typename MakeShape>
std::vector<std::shared_ptr<const NoiseShape>> ChannelShapes(const PanelState& state, size_t channels, MakeShape make) {
  std::vector<std::shared_ptr<const NoiseShape>> shapes;
  for (size_t channel = 0; channel < channels; ++channel) {
    if (channel > 0 && !state.NoiseIndependent) {
      shapes.push_back(shapes.front());
    } else {
      shapes.push_back(make(NoiseChannelSeed(static_cast<int>(channel))));
    }
  }
  return shapes;
}

void WriteNoiseOf(const PanelState& state, const std::vector<int>& factors, PcmBuffer& stream, bool definition) {
  const long double A = CheckedAmplitude(state);
  const int32_t period = NoisePeriodFrames(state.SampleRate);
  const auto shapes = ChannelShapes(state, factors.size(), [&](uint64_t seed) {
    return definition ? std::make_shared<const NoiseShape>(
                            ReferenceShape(state.NoiseColour, state.Band, period, state.SampleRate, seed))
                      : KeptShape(state.NoiseColour, state.Band, period, state.SampleRate, seed);
  });
  WriteNoise(shapes, factors, NoiseScale(A, shapes[0]->powerSum), stream, definition);
}

}  // namespace

void SynthesizeNoise(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  WriteNoiseOf(state, ChannelFactors(state, gains), stream, false);
}

void SynthesizeNoiseOnSpeakers(const PanelState& state, const std::vector<int>& factors, PcmBuffer& stream) {
  WriteNoiseOf(state, factors, stream, false);
}

NoisePeriod NoisePeriodOf(const PanelState& state, long double fullScale, int channel) {
  const long double A = CheckedAmplitude(state);
  const std::shared_ptr<const NoiseShape> shape =
      KeptShape(state.NoiseColour, state.Band, NoisePeriodFrames(state.SampleRate), state.SampleRate,
                NoiseChannelSeed(state.NoiseIndependent ? channel : 0));
  return {shape->x, NoiseScale(A, shape->powerSum, fullScale)};
}

void SynthesizeNoiseReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  WriteNoiseOf(state, ChannelFactors(state, gains), stream, true);
}

}  // namespace sondrel
