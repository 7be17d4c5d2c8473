// Noise: the program's synthesis against the reference definition, its
// level, its spectrum in third-octave bands, the seam of its loop, the bytes
// that every machine must give, and pink noise in a band.
#include "engine/noise/NoiseSynthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "engine/WideSamples.h"
#include "engine/noise/NoiseDefinition.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/PanelStates.h"

namespace sondrel {
namespace {

constexpr int32_t kPeriod = 262144;  // 2^18 frames, 5.94 s at 44100 Hz

using testing_support::NoisePanel;

std::vector<int16_t> Samples(const PcmBuffer& buffer) {
  std::vector<int16_t> samples(buffer.Size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), buffer.Data(), buffer.Size());
  return samples;
}

// The mono period as the program synthesizes it.
std::vector<int16_t> Noise(int32_t colour, const std::string& decibels) {
  PcmBuffer buffer;
  SynthesizeNoise(NoisePanel(colour, decibels), {}, buffer);
  return Samples(buffer);
}

const char* ColourName(int32_t colour) { return colour == kWhite ? "White" : colour == kPink ? "Pink" : "Brown"; }

TEST(NoisePeriodTest, IsThePowerOfTwoThatHoldsFiveSeconds) {
  EXPECT_EQ(NoisePeriodFrames(44100), kPeriod);
  EXPECT_EQ(NoisePeriodFrames(48000), 262144);
  EXPECT_EQ(NoisePeriodFrames(52429), 524288);  // 5 s are 262145 frames
  EXPECT_EQ(NoisePeriodFrames(96000), 524288);
  EXPECT_EQ(Noise(kPink, "-20").size(), size_t{kPeriod});
}

TEST(TwiddleTableTest, LiesOnTheUnitCircleWithItsSymmetries) {
  const std::vector<Complex> table = TwiddleTable(1024);
  for (size_t j = 0; j < table.size(); ++j) {
    const long double angle = 2 * 3.141592653589793238462643383279503L * j / 1024;
    ASSERT_NEAR(table[j].real(), std::cos(angle), 2e-16) << j;
    ASSERT_NEAR(table[j].imag(), std::sin(angle), 2e-16) << j;
  }
  EXPECT_EQ(table[0], Complex(1, 0));
  EXPECT_EQ(table[256], Complex(0, 1));
  EXPECT_EQ(table[512], Complex(-1, 0));
  EXPECT_EQ(table[768], Complex(0, -1));
  EXPECT_EQ(table[100 + 256], Complex(-table[100].imag(), table[100].real()));  // a right angle on
}

// Every colour, level and channel layout: the program's bytes are the
// definition's.
TEST(NoiseIdentityTest, RandomPanelsMatchTheReferenceByteForByte) {
  std::mt19937_64 random(20261209);
  const ChannelGains layouts[] = {{1, 1, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, -1}, {0, 0, 1}};
  for (int i = 0; i < 12; ++i) {
    const int32_t colour = static_cast<int32_t>(random() % 3);
    const int dB = static_cast<int>(random() % 111) - 100;  // -100 .. +10
    const ChannelGains gains = layouts[random() % std::size(layouts)];
    PanelState state = NoisePanel(colour, std::to_string(dB));
    state.AlwaysStereo = random() % 4 == 0;
    PcmBuffer fast, reference;
    SynthesizeSignal(state, gains, fast);
    SynthesizeSignalReference(state, gains, reference);
    const bool stereo = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, state.AlwaysStereo);
    ASSERT_EQ(fast.Size(), size_t{kPeriod} * (stereo ? 4 : 2));
    ASSERT_EQ(std::memcmp(fast.Data(), reference.Data(), fast.Size()), 0)
        << ColourName(colour) << " at " << dB << " dB, gains " << gains.LeftGain << gains.RightGain << gains.PhaseSign;
  }
}

// At another rate the period holds its 5 s of that rate, and the program's
// bytes are still the definition's.
TEST(NoiseIdentityTest, EveryRateMatchesTheReference) {
  for (const int32_t rate : {48000, 96000}) {
    PanelState state = NoisePanel(kPink, "-20");
    state.SampleRate = rate;
    PcmBuffer fast, reference;
    SynthesizeSignal(state, {1, 1, -1}, fast);
    SynthesizeSignalReference(state, {1, 1, -1}, reference);
    ASSERT_EQ(fast.Size(), static_cast<size_t>(NoisePeriodFrames(rate)) * 4);
    EXPECT_EQ(std::memcmp(fast.Data(), reference.Data(), fast.Size()), 0) << rate;
  }
}

TEST(NoiseLayoutTest, ChannelsFollowTheGainsAsForTheTones) {
  PcmBuffer mono, outOfPhase, leftOnly;
  const PanelState state = NoisePanel(kWhite, "-20");
  SynthesizeNoise(state, {1, 1, 1}, mono);
  SynthesizeNoise(state, {1, 1, -1}, outOfPhase);
  SynthesizeNoise(state, {1, 0, 1}, leftOnly);
  const std::vector<int16_t> m = Samples(mono), o = Samples(outOfPhase), l = Samples(leftOnly);
  for (size_t n = 0; n < m.size(); n += 997) {
    ASSERT_EQ(o[2 * n], m[n]);
    ASSERT_EQ(o[2 * n + 1], -m[n]);
    ASSERT_EQ(l[2 * n], m[n]);
    ASSERT_EQ(l[2 * n + 1], 0);
  }
}

// The bytes are part of the definition: a change to the generator, the seed,
// the bins, the transform or the scaling shows here.
TEST(NoiseDefinitionTest, GivesTheSameBytesOnEveryMachine) {
  const uint64_t expected[] = {2216457360713239673ull, 16917136274459553378ull, 2332272166645944486ull};
  for (int32_t colour : {kWhite, kPink, kBrown}) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the 16-bit values, low byte first
    for (const int16_t value : Noise(colour, "-20")) {
      for (const int shift : {0, 8}) {
        hash ^= (static_cast<uint16_t>(value) >> shift) & 0xFF;
        hash *= 1099511628211ull;
      }
    }
    EXPECT_EQ(hash, expected[colour]) << ColourName(colour);
  }
}

double RmsDecibelsFromSine(const std::vector<int16_t>& samples, int dB) {
  long double sum = 0;
  for (const int16_t value : samples) sum += static_cast<long double>(value) * value;
  const double rms = std::sqrt(static_cast<double>(sum / samples.size()));
  return 20 * std::log10(rms / (32767 * std::pow(10.0, dB / 20.0) / std::sqrt(2.0)));
}

class NoiseLevelTest : public ::testing::TestWithParam<int32_t> {};

// The RMS of a sine of the same dB setting, wherever the noise is neither
// clipped much (above -6 dB) nor drowned in the 16-bit steps (below -80 dB).
TEST_P(NoiseLevelTest, HasTheRmsOfASineAtTheSameSetting) {
  for (const int dB : {-6, -10, -20, -40, -60, -80}) {
    EXPECT_NEAR(RmsDecibelsFromSine(Noise(GetParam(), std::to_string(dB)), dB), 0, 0.1) << dB << " dB";
  }
}

// The manual says from which level on the peaks pass full scale: -10 dB for
// white and pink noise, -9 dB for brown. Below it no sample is clipped.
TEST_P(NoiseLevelTest, PeaksReachFullScaleFromTheLevelTheManualGives) {
  const int firstClipped = GetParam() == kBrown ? -9 : -10;
  auto clipped = [](const std::vector<int16_t>& samples) {
    return std::count_if(samples.begin(), samples.end(), [](int16_t v) { return v == 32767 || v == -32767; });
  };
  EXPECT_EQ(clipped(Noise(GetParam(), std::to_string(firstClipped - 1))), 0);
  EXPECT_GT(clipped(Noise(GetParam(), std::to_string(firstClipped))), 0);
  // Clipped, never wrapped: at +10 dB the loudest values sit at full scale.
  const std::vector<int16_t> loud = Noise(GetParam(), "10");
  EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 32767);
  EXPECT_EQ(*std::min_element(loud.begin(), loud.end()), -32767);
}

// Played twice in a row, the period shows no step at the seam that it does
// not have within itself.
TEST_P(NoiseLevelTest, LoopsWithoutASeam) {
  const std::vector<int16_t> period = Noise(GetParam(), "-20");
  int largest = 0;
  for (size_t n = 1; n < period.size(); ++n) largest = std::max(largest, std::abs(period[n] - period[n - 1]));
  EXPECT_LE(std::abs(period.front() - period.back()), largest);
}

// Power per hertz in third-octave bands over one period: the measurement a
// room-analysis tool makes.
std::vector<double> ThirdOctaveBandPower(const std::vector<int16_t>& samples, double lowHz, double highHz,
                                         std::vector<double>& centres, double rate = 44100) {
  // A plain recursive transform, written apart from the program's.
  std::vector<std::complex<double>> x(samples.begin(), samples.end());
  const std::function<void(std::vector<std::complex<double>>&)> transform = [&](std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    if (n == 1) return;
    std::vector<std::complex<double>> even(n / 2), odd(n / 2);
    for (size_t i = 0; i < n / 2; ++i) even[i] = a[2 * i], odd[i] = a[2 * i + 1];
    transform(even);
    transform(odd);
    for (size_t k = 0; k < n / 2; ++k) {
      const std::complex<double> t = std::polar(1.0, -2 * M_PI * k / n) * odd[k];
      a[k] = even[k] + t;
      a[k + n / 2] = even[k] - t;
    }
  };
  transform(x);
  const double binHz = rate / x.size();
  std::vector<double> power;
  for (int band = -19; band <= 12; ++band) {  // 12.5 Hz .. 16 kHz
    const double centre = 1000 * std::pow(2.0, band / 3.0);
    if (centre < lowHz * 0.99 || centre > highHz * 1.01) continue;
    double sum = 0;
    int bins = 0;
    for (size_t k = static_cast<size_t>(std::ceil(centre * std::pow(2.0, -1 / 6.0) / binHz));
         k * binHz < centre * std::pow(2.0, 1 / 6.0); ++k, ++bins) {
      sum += std::norm(x[k]);
    }
    centres.push_back(centre);
    power.push_back(sum / (bins * binHz));
  }
  return power;
}

struct SpectrumCase {
  int32_t colour;
  double decibelsPerOctave;
  double highHz;
};

class NoiseSpectrumTest : public ::testing::TestWithParam<SpectrumCase> {};

TEST_P(NoiseSpectrumTest, FallsAsItsColourSaysWithinHalfADecibel) {
  const SpectrumCase& c = GetParam();
  std::vector<double> centres;
  const std::vector<double> power = ThirdOctaveBandPower(Noise(c.colour, "-20"), 25, c.highHz, centres);
  ASSERT_GE(power.size(), size_t{25});
  const size_t kiloHertz = static_cast<size_t>(std::find_if(centres.begin(), centres.end(), [](double f) {
                                                 return std::abs(f - 1000) < 1;
                                               }) - centres.begin());
  for (size_t band = 0; band < power.size(); ++band) {
    const double measured = 10 * std::log10(power[band] / power[kiloHertz]);
    const double expected = c.decibelsPerOctave * std::log2(centres[band] / 1000);
    EXPECT_NEAR(measured, expected, 0.5) << centres[band] << " Hz";
  }
}

INSTANTIATE_TEST_SUITE_P(Colours, NoiseLevelTest, ::testing::Values(kWhite, kPink, kBrown),
                         [](const auto& param) { return std::string(ColourName(param.param)); });
INSTANTIATE_TEST_SUITE_P(Colours, NoiseSpectrumTest,
                         ::testing::Values(SpectrumCase{kWhite, 0, 16000}, SpectrumCase{kPink, -3.0103, 16000},
                                           SpectrumCase{kBrown, -6.0206, 8000}),
                         [](const auto& param) { return std::string(ColourName(param.param.colour)); });

struct BandCase {
  const char* name;
  NoiseBand band;
  int32_t rate;
};

class NoiseBandTest : public ::testing::TestWithParam<BandCase> {
 protected:
  PanelState Band(const char* decibels) const {
    PanelState state = NoisePanel(kPink, decibels);
    state.Band = GetParam().band;
    state.SampleRate = GetParam().rate;
    return state;
  }
  std::vector<int16_t> Samples16(const PanelState& state) const {
    PcmBuffer buffer;
    SynthesizeNoise(state, {}, buffer);
    return Samples(buffer);
  }
};

TEST_P(NoiseBandTest, MatchesTheReferenceByteForByte) {
  for (const ChannelGains gains : {ChannelGains{1, 1, 1}, ChannelGains{1, 1, -1}}) {
    PcmBuffer fast, reference;
    SynthesizeSignal(Band("-20"), gains, fast);
    SynthesizeSignalReference(Band("-20"), gains, reference);
    ASSERT_EQ(fast.Size(), reference.Size());
    EXPECT_EQ(std::memcmp(fast.Data(), reference.Data(), fast.Size()), 0);
  }
}

// The level rule of the colours holds in a band: the RMS of a sine at the
// same setting, which is what a sound level meter is set against.
TEST_P(NoiseBandTest, HasTheRmsOfASineAtTheSameSetting) {
  for (const int dB : {-10, -20, -40}) {
    EXPECT_NEAR(RmsDecibelsFromSine(Samples16(Band(std::to_string(dB).c_str())), dB), 0, 0.1) << dB << " dB";
  }
}

// Against pink noise of the whole band, in third-octave bands: flat within
// the band, at least 20 dB down an octave beyond either edge.
TEST_P(NoiseBandTest, KeepsToItsBandWithSkirtsOfTwentyFourDecibelsAnOctave) {
  const NoiseBand band = GetParam().band;
  PanelState whole = Band("-20");
  whole.Band = {};
  std::vector<double> centres, wholeCentres;
  const std::vector<double> limited = ThirdOctaveBandPower(Samples16(Band("-20")), 12, 16000, centres, GetParam().rate);
  const std::vector<double> pink = ThirdOctaveBandPower(Samples16(whole), 12, 16000, wholeCentres, GetParam().rate);
  auto relative = [&](double hz) {  // dB of the band's power against pink's, in the third octave nearest hz
    size_t nearest = 0;
    for (size_t i = 0; i < centres.size(); ++i) {
      if (std::abs(std::log2(centres[i] / hz)) < std::abs(std::log2(centres[nearest] / hz))) nearest = i;
    }
    return 10 * std::log10(limited[nearest] / pink[nearest]);
  };
  const double middle = std::sqrt(band.low * band.high);
  const double inside = relative(middle);
  // Within the band the skirts take next to nothing: an octave inside each
  // edge as in the middle.
  EXPECT_NEAR(relative(band.low * 2 < middle ? band.low * 2 : middle), inside, 0.6);
  EXPECT_NEAR(relative(band.high / 2 > middle ? band.high / 2 : middle), inside, 0.6);
  EXPECT_LE(relative(band.low / 2) - inside, -20) << band.low / 2 << " Hz";
  EXPECT_LE(relative(band.high * 2) - inside, -20) << band.high * 2 << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Bands, NoiseBandTest,
                         ::testing::Values(BandCase{"SpeakerLevel", kSpeakerLevelBand, 44100},
                                           BandCase{"SubwooferLevel", kSubwooferLevelBand, 44100},
                                           BandCase{"SpeakerLevelAt48000", kSpeakerLevelBand, 48000},
                                           BandCase{"Octave125To250", {125, 250}, 48000}),
                         [](const auto& test) { return std::string(test.param.name); });

struct BadBandCase {
  const char* name;
  NoiseBand band;
  const char* message;  // nullptr: a good band
};

class NoiseBandProblemTest : public ::testing::TestWithParam<BadBandCase> {};

// A band no noise can have at 44100 frames a second is the line's error,
// and nothing is made; only pink has a band.
TEST_P(NoiseBandProblemTest, RefusesWhatNoNoiseCanBe) {
  PanelState state = NoisePanel(kPink, "-20");
  state.Band = GetParam().band;
  PcmBuffer buffer;
  if (GetParam().message == nullptr) {
    SynthesizeNoise(state, {}, buffer);
    EXPECT_FALSE(buffer.Empty());
    return;
  }
  try {
    SynthesizeNoise(state, {}, buffer);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  EXPECT_TRUE(buffer.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bands, NoiseBandProblemTest,
    ::testing::Values(BadBandCase{"UpToHalfTheRate", {1000, 22050}, nullptr},
                      BadBandCase{"AboveHalfTheRate", {500, 30000},
                                  "The noise band 500-30000 Hz must lie between 0 Hz and half the rate (22050 Hz), "
                                  "its low edge below its high one"},
                      BadBandCase{"FromZero", {0, 80},
                                  "The noise band 0-80 Hz must lie between 0 Hz and half the rate (22050 Hz), "
                                  "its low edge below its high one"},
                      BadBandCase{"Reversed", {80, 30},
                                  "The noise band 80-30 Hz must lie between 0 Hz and half the rate (22050 Hz), "
                                  "its low edge below its high one"},
                      BadBandCase{"Negative", {-5, 80},
                                  "The noise band -5-80 Hz must lie between 0 Hz and half the rate (22050 Hz), "
                                  "its low edge below its high one"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(NoiseBandTest, OnlyPinkHasABand) {
  PanelState white = NoisePanel(kWhite, "-20");
  PanelState banded = white;
  banded.Band = {500, 30000};  // not even a good band: it does not count
  PcmBuffer plain, withBand;
  SynthesizeNoise(white, {}, plain);
  SynthesizeNoise(banded, {}, withBand);
  ASSERT_EQ(plain.Size(), withBand.Size());
  EXPECT_EQ(std::memcmp(plain.Data(), withBand.Data(), plain.Size()), 0);
}

TEST(NoiseFailureTest, AnAmplitudeThatIsNotANumberAppendsNothing) {
  PcmBuffer buffer;
  try {
    SynthesizeNoise(NoisePanel(kPink, "-3.5"), {}, buffer);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "'-3.5' is not a valid integer value");
  }
  EXPECT_TRUE(buffer.Empty());
}

TEST(NoiseFailureTest, NoColourSelectedIsAPeriodOfSilence) {
  const std::vector<int16_t> silence = Noise(-1, "0");
  ASSERT_EQ(silence.size(), size_t{kPeriod});
  EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](int16_t v) { return v == 0; }));
}

// {colour, band, rate}: noise whose channels are each their own.
struct IndependentCase {
  int32_t colour;
  NoiseBand band;
  int32_t rate;
};

class IndependentNoiseTest : public ::testing::TestWithParam<IndependentCase> {
 protected:
  PanelState Panel(bool independent) const {
    PanelState state = NoisePanel(GetParam().colour, "-20");
    state.Band = GetParam().band;
    state.SampleRate = GetParam().rate;
    state.NoiseIndependent = independent;
    return state;
  }
  static double Rms(const std::vector<int16_t>& samples, size_t channel, size_t channels) {
    double sum = 0;
    for (size_t n = channel; n < samples.size(); n += channels) sum += static_cast<double>(samples[n]) * samples[n];
    return std::sqrt(sum / static_cast<double>(samples.size() / channels));
  }
  // |X_k| of bin k of one channel's period, by its own sum.
  static double Bin(const std::vector<int16_t>& samples, size_t channel, size_t channels, size_t k) {
    std::complex<double> sum;
    const size_t frames = samples.size() / channels;
    for (size_t n = 0; n < frames; ++n) {
      sum += static_cast<double>(samples[n * channels + channel]) *
             std::polar(1.0, -2 * M_PI * static_cast<double>(k * n % frames) / static_cast<double>(frames));
    }
    return std::abs(sum);
  }
};

// The left channel is the noise of both-alike, byte for byte; the right one
// has every bin's magnitude and so the level, but its own phases: no
// correlation. Both ways of making it give the same bytes.
TEST_P(IndependentNoiseTest, EachChannelHasItsOwnNoiseOfTheSameSpectrum) {
  PcmBuffer alike;
  SynthesizeNoise(Panel(false), {}, alike);
  PcmBuffer own;
  SynthesizeNoise(Panel(true), {}, own);  // both boxes on, in phase: two channels all the same
  PcmBuffer reference;
  SynthesizeNoiseReference(Panel(true), {}, reference);
  const std::vector<int16_t> mono = Samples(alike), stereo = Samples(own);
  ASSERT_EQ(stereo.size(), 2 * mono.size());
  EXPECT_TRUE(Samples(reference) == stereo);
  double cross = 0;
  for (size_t n = 0; n < mono.size(); ++n) {
    ASSERT_EQ(stereo[2 * n], mono[n]) << n;
    cross += static_cast<double>(stereo[2 * n]) * stereo[2 * n + 1];
  }
  const double left = Rms(stereo, 0, 2), right = Rms(stereo, 1, 2);
  EXPECT_NEAR(20 * std::log10(right / left), 0.0, 0.1);
  // Brown noise's power lies in few low bins: two independent draws of it
  // correlate by chance by a few percent; white and pink by far less.
  EXPECT_LT(std::fabs(cross / static_cast<double>(mono.size()) / (left * right)),
            GetParam().colour == kBrown ? 0.06 : 0.03);
  const size_t frames = mono.size();
  for (const double hertz : {100.0, 1000.0, 5000.0}) {
    const size_t k = static_cast<size_t>(hertz * static_cast<double>(frames) / GetParam().rate);
    EXPECT_NEAR(20 * std::log10(Bin(stereo, 1, 2, k) / Bin(stereo, 0, 2, k)), 0.0, 0.1) << hertz << " Hz";
  }
  // The wider formats take each channel's own noise too.
  std::vector<float> floats;
  SynthesizeF32(Panel(true), {}, floats, 0, -1);
  ASSERT_EQ(floats.size(), stereo.size());
  for (size_t n = 0; n < stereo.size(); n += 997) ASSERT_NEAR(floats[n] * 32767.0f, stereo[n], 0.51f) << n;
}

INSTANTIATE_TEST_SUITE_P(Colours, IndependentNoiseTest,
                         ::testing::Values(IndependentCase{kWhite, {}, 44100}, IndependentCase{kPink, kSpeakerLevelBand, 48000},
                                           IndependentCase{kBrown, {}, 44100}));

// On a 5.1 layout each speaker plays its own noise, times its factor: FL the
// noise of both-alike, FR its own inverted, the centre none.
TEST(IndependentNoiseTest, EachSpeakerPlaysItsOwnNoise) {
  PanelState state = NoisePanel(kPink, "-20");
  state.NoiseIndependent = true;
  PcmBuffer spread;
  SynthesizeNoiseOnSpeakers(state, {1, -1, 0, 1, 1, -1}, spread);
  const std::vector<int16_t> samples = Samples(spread);
  const std::vector<int16_t> alike = Noise(kPink, "-20");
  ASSERT_EQ(samples.size(), 6 * alike.size());
  PcmBuffer stereo;
  SynthesizeNoise(state, {}, stereo);
  const std::vector<int16_t> two = Samples(stereo);
  size_t differ = 0;
  for (size_t n = 0; n < alike.size(); ++n) {
    ASSERT_EQ(samples[6 * n], alike[n]) << n;
    ASSERT_EQ(samples[6 * n + 1], -two[2 * n + 1]) << n;  // the second channel's noise, whatever the layout
    ASSERT_EQ(samples[6 * n + 2], 0) << n;
    differ += samples[6 * n + 3] != samples[6 * n + 4] && samples[6 * n + 3] != samples[6 * n];
  }
  EXPECT_GT(differ, alike.size() * 9 / 10);
}

}  // namespace
}  // namespace sondrel
