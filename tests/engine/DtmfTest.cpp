// DTMF: every key's two tones in a transform of its own at both common
// rates, hand-computed frames of a key with its fades and gap, the wide
// formats faded alike, and what it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/AppError.h"
#include "engine/WideSamples.h"
#include "engine/tones/Dtmf.h"
#include "tests/support/SynthesizedSamples.h"

namespace sondrel {
namespace {

using testing_support::FastSamples;
using testing_support::ReferenceSamples;

constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;
constexpr double kDtmfTones[] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};

PanelState DtmfPanel(const std::string& digits, int32_t rate = 44100) {
  PanelState state;
  state.SignalType = SignalPage::Dtmf;
  state.DtmfDigits = digits;
  state.Amplitude = "-6";
  state.SampleRate = rate;
  return state;
}

// The power at `frequency` of samples [from, to), in a Hann window so that
// the neighbouring keys' tones do not leak in, in dB.
double PowerDb(const std::vector<int16_t>& samples, size_t from, size_t to, double frequency, int32_t rate) {
  double re = 0;
  double im = 0;
  const double frames = static_cast<double>(to - from);
  for (size_t n = from; n < to; ++n) {
    const double window = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(n - from) / frames);
    const double angle = 2 * M_PI * frequency * static_cast<double>(n) / rate;
    re += window * samples[n] * std::cos(angle);
    im += window * samples[n] * std::sin(angle);
  }
  return 10 * std::log10(re * re + im * im + 1e-9);
}

struct KeyCase {
  char key;
  int32_t rate;
};

class DtmfKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DtmfKeyTest, SoundsItsRowAndColumnAndNoOtherTone) {
  const auto [key, rate] = GetParam();
  const auto pair = DtmfPair(key);
  ASSERT_TRUE(pair);
  const std::vector<int16_t> samples = FastSamples(DtmfPanel(std::string(1, key), rate));
  const size_t tone = static_cast<size_t>(FadeFrames(100, rate));
  ASSERT_EQ(samples.size(), tone + static_cast<size_t>(FadeFrames(70, rate)));
  EXPECT_EQ(samples, ReferenceSamples(DtmfPanel(std::string(1, key), rate)));
  const double row = PowerDb(samples, 0, tone, pair->first, rate);
  const double column = PowerDb(samples, 0, tone, pair->second, rate);
  EXPECT_NEAR(row, column, 0.5) << "equal weights";
  for (const double other : kDtmfTones) {
    if (other == pair->first || other == pair->second) continue;
    EXPECT_LT(PowerDb(samples, 0, tone, other, rate), std::min(row, column) - 40) << other << " Hz";
  }
}

std::vector<KeyCase> EveryKey() {
  std::vector<KeyCase> cases;
  for (const int32_t rate : {44100, 48000}) {
    for (const char key : std::string("0123456789*#ABCD")) cases.push_back({key, rate});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Keys, DtmfKeyTest, ::testing::ValuesIn(EveryKey()), [](const auto& test) {
  const char key = test.param.key;
  const std::string name = key == '*' ? "Star" : key == '#' ? "Hash" : std::string(1, key);
  return name + "_" + std::to_string(test.param.rate);
});

// "5" at 0 dB: 770 and 1336 Hz; 4410 frames of tone, the first and last 176
// of them faded (4 ms), then 3087 frames of silence, and the next key.
TEST(DtmfTest, AKeysFramesFollowTheDefinitionWithTheirFadesAndGap) {
  PanelState state = DtmfPanel("55");
  state.Amplitude = "0";
  const std::vector<int16_t> samples = FastSamples(state);
  ASSERT_EQ(samples.size(), 2u * (4410 + 3087));
  auto pair = [](int32_t m) {
    return std::nearbyint(32767 * ((std::sin(kTwoPi * (770.0L * m / 44100)) + std::sin(kTwoPi * (1336.0L * m / 44100))) / 2));
  };
  const PlayFade fade(176, 4410);
  for (const int32_t m : {0, 1, 100, 175, 176, 1000, 4233, 4234, 4409}) {
    EXPECT_EQ(samples[static_cast<size_t>(m)], static_cast<int16_t>(std::nearbyint(pair(m) * fade.Gain(m)))) << m;
    EXPECT_EQ(samples[static_cast<size_t>(4410 + 3087 + m)], samples[static_cast<size_t>(m)]) << "the second key, " << m;
  }
  EXPECT_EQ(samples[0], 0);
  EXPECT_EQ(samples[1000], static_cast<int16_t>(pair(1000)));
  for (size_t gap = 4410; gap < 4410 + 3087; ++gap) ASSERT_EQ(samples[gap], 0) << gap;
}

TEST(DtmfTest, TheWideFormatsFadeTheKeysAlike) {
  std::vector<float> floats;
  std::vector<int32_t> wide;
  SynthesizeF32(DtmfPanel("#"), {}, floats, 0, -1);
  SynthesizeS24(DtmfPanel("#"), {}, wide, 0, -1);
  const std::vector<int16_t> pcm = FastSamples(DtmfPanel("#"));
  ASSERT_EQ(floats.size(), pcm.size());
  ASSERT_EQ(wide.size(), pcm.size());
  EXPECT_EQ(floats[0], 0.0f);
  EXPECT_EQ(wide[4409], 0);
  for (size_t n = 0; n < pcm.size(); ++n) {
    ASSERT_NEAR(floats[n] * 32767.0f, pcm[n], 1.0f) << n;
    ASSERT_NEAR(wide[n] / 256 / 256.0, pcm[n], 2.0) << n;  // 24 bits scaled by 8388607, not 32767 * 256
  }
}

struct RefusalCase {
  const char* name;
  const char* digits;
  const char* tone;
  const char* gap;
  const char* message;
};

class DtmfRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DtmfRefusalTest, NamesWhatIsWrong) {
  PanelState state = DtmfPanel(GetParam().digits);
  state.DtmfToneMs = GetParam().tone;
  state.DtmfGapMs = GetParam().gap;
  try {
    FastSamples(state);
    FAIL() << "played";
  } catch (const AppError& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DtmfRefusalTest,
    ::testing::Values(RefusalCase{"AnotherCharacter", "12x4", "100", "70", "'x' is not a DTMF digit (0-9, *, #, A-D)"},
                      RefusalCase{"LowerCaseLetter", "a", "100", "70", "'a' is not a DTMF digit (0-9, *, #, A-D)"},
                      RefusalCase{"ASpace", "1 2", "100", "70", "' ' is not a DTMF digit (0-9, *, #, A-D)"},
                      RefusalCase{"NoDigits", "", "100", "70", "DTMF needs 1 to 32 digits"},
                      RefusalCase{"TooManyDigits", "123456789012345678901234567890123", "100", "70",
                                  "DTMF needs 1 to 32 digits"},
                      RefusalCase{"ToneTooShort", "1", "9", "70", "A DTMF tone lasts 10 to 2000 ms, not '9'"},
                      RefusalCase{"ToneNotWhole", "1", "50.5", "70", "A DTMF tone lasts 10 to 2000 ms, not '50.5'"},
                      RefusalCase{"GapTooLong", "1", "100", "2001", "A DTMF gap lasts 0 to 2000 ms, not '2001'"},
                      RefusalCase{"GapNegative", "1", "100", "-1", "A DTMF gap lasts 0 to 2000 ms, not '-1'"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
