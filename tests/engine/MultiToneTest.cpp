// The multi-tone: its definition on hand-computed frames, its period, its
// levels, the fast path against the reference on random lists at both
// common rates, every kernel variant, and the lists and tones it refuses.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"
#include "engine/tones/MultiTone.h"
#include "engine/tones/MultiToneSynthesis.h"
#include "tests/support/SynthesizedSamples.h"

namespace sondrel {
namespace {

PanelState MultiTonePanel(const std::string& list, const std::string& decibels = "0", int32_t rate = 44100) {
  PanelState state;
  state.SignalType = SignalPage::MultiTone;
  state.ToneList = list;
  state.Amplitude = decibels;
  state.SampleRate = rate;
  return state;
}

std::vector<int16_t> Fast(const PanelState& state, const ChannelGains& gains = {}) {
  return testing_support::FastSamples(state, gains);
}
std::vector<int16_t> Reference(const PanelState& state, const ChannelGains& gains = {}) {
  return testing_support::ReferenceSamples(state, gains);
}

// At a quarter of the rate the sine is 0, 1, 0, -1; an eighth adds
// sin(pi/4) = 0.70710678118654752. Worked by hand from the definition.
TEST(MultiToneTest, FramesFollowTheDefinition) {
  EXPECT_EQ(Fast(MultiTonePanel("12000", "0", 48000)), (std::vector<int16_t>{0, 32767, 0, -32767}));
  // (3 sin(pi/2 n) + sin(pi/4 n)) / 4 * 32767: n = 1 gives 30367.79, n = 2
  // 3 * 0 + 1 -> 8191.75, n = 3 (-3 + 0.7071) / 4 -> -18783.21.
  const std::vector<int16_t> weighted = Fast(MultiTonePanel("12000:3,6000:1", "0", 48000));
  ASSERT_EQ(weighted.size(), 8u);
  EXPECT_EQ((std::vector<int16_t>(weighted.begin(), weighted.begin() + 4)), (std::vector<int16_t>{0, 30368, 8192, -18783}));
  // -6 dB: A = 10^-0.3 = 0.50118723; one tone at a quarter of the rate peaks at 16422.4.
  EXPECT_EQ(Fast(MultiTonePanel("11025", "-6"))[1], 16422);
}

struct PeriodCase {
  const char* list;
  int32_t rate;
  int32_t frames;
};
class MultiTonePeriodTest : public ::testing::TestWithParam<PeriodCase> {};

// One common period: R / gcd(R, Round(f_1), ...).
TEST_P(MultiTonePeriodTest, TheBufferIsOneCommonPeriod) {
  const MultiToneRun run(MultiTonePanel(GetParam().list, "0", GetParam().rate));
  EXPECT_EQ(run.N, GetParam().frames);
  EXPECT_EQ(Fast(MultiTonePanel(GetParam().list, "0", GetParam().rate)).size(), static_cast<size_t>(GetParam().frames));
}

INSTANTIATE_TEST_SUITE_P(Lists, MultiTonePeriodTest,
                         ::testing::Values(PeriodCase{"60:4,7000:1", 48000, 2400}, PeriodCase{"60:4,7000:1", 44100, 2205},
                                           PeriodCase{"19000,20000", 48000, 48},
                                           PeriodCase{"9000,10050,20000", 44100, 882},
                                           PeriodCase{"1000.5", 48000, 48},  // Round(1000.5) = 1000
                                           PeriodCase{"1", 44100, 44100}));

TEST(MultiToneTest, EachTonesLevelIsItsShareOfThePeak) {
  const std::vector<double> smpte = ToneLevels(ToneListOf("60:4,7000:1"), -10);
  ASSERT_EQ(smpte.size(), 2u);
  EXPECT_NEAR(smpte[0], -10 - 1.9382, 1e-4);
  EXPECT_NEAR(smpte[1], -10 - 13.9794, 1e-4);
  for (const double level : ToneLevels(ToneListOf("9000,10050,20000"), 0)) EXPECT_NEAR(level, -9.5424, 1e-4);
}

TEST(MultiToneTest, NoFramePassesTheCompositesPeakAndAboveFullScaleItClips) {
  const std::string sixteen = "100,200,300,400,500,600,700,800,900,1000,1100,1200,1300,1400,1500,1600";
  for (const int16_t sample : Fast(MultiTonePanel(sixteen, "-6"))) ASSERT_LE(std::abs(sample), 16422);
  const std::vector<int16_t> loud = Fast(MultiTonePanel("11025", "6"));
  EXPECT_EQ(loud[1], 32767);
  EXPECT_EQ(loud[3], -32767);
}

struct RandomCase {
  int32_t rate;
  KernelVariant variant;
};
class MultiToneFastPathTest : public ::testing::TestWithParam<RandomCase> {};

std::string CaseName(const RandomCase& test) {
  const char* kernels[] = {"baseline", "avx2fma", "avx512"};
  return std::to_string(test.rate) + "_" + kernels[static_cast<int>(test.variant)];
}

// Random lists of 1 to 16 tones, whole-hertz and sometimes fractional,
// random weights, levels and channel layouts: the same bytes both ways.
TEST_P(MultiToneFastPathTest, AgreesWithTheReferenceByteForByte) {
  if (std::find(SupportedKernelVariants().begin(), SupportedKernelVariants().end(), GetParam().variant) ==
      SupportedKernelVariants().end()) {
    GTEST_SKIP() << "this processor lacks " << KernelVariantName(GetParam().variant);
  }
  ChooseKernelVariant(GetParam().variant);
  std::mt19937_64 random(static_cast<uint64_t>(GetParam().rate) * 7 + static_cast<uint64_t>(GetParam().variant));
  const int32_t rate = GetParam().rate;
  for (int run = 0; run < 60; ++run) {
    const int tones = std::uniform_int_distribution<int>(1, 16)(random);
    const bool fractional = run % 10 == 9;
    std::string list;
    for (int tone = 0; tone < tones; ++tone) {
      // Multiples of 50 Hz keep the periods short enough for many runs.
      const int whole = 50 * std::uniform_int_distribution<int>(1, rate / 100)(random);
      list += (tone == 0 ? "" : ",") + std::to_string(whole) + (fractional ? ".25" : "");
      if (random() % 2 == 0) list += ":" + std::to_string(std::uniform_int_distribution<int>(1, 9)(random));
    }
    const std::string decibels = std::to_string(std::uniform_int_distribution<int>(-60, 3)(random));
    const ChannelGains gains{static_cast<int32_t>(random() % 2), 1, random() % 2 == 0 ? 1 : -1};
    const PanelState state = MultiTonePanel(list, decibels, rate);
    ASSERT_EQ(Fast(state, gains), Reference(state, gains)) << list << " at " << decibels << " dB";
  }
  ChooseKernelVariant(std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(RatesAndKernels, MultiToneFastPathTest,
                         ::testing::Values(RandomCase{44100, KernelVariant::Baseline}, RandomCase{48000, KernelVariant::Baseline},
                                           RandomCase{44100, KernelVariant::Avx2Fma}, RandomCase{48000, KernelVariant::Avx512}),
                         [](const auto& test) { return CaseName(test.param); });

// The fast path leaves only the frames at a rounding boundary to the reference.
TEST(MultiToneTest, TheFastPathNeedsTheReferenceForFewFrames) {
  const MultiToneRun run(MultiTonePanel("60:4,7000:1,1000:2,250", "-6"));
  std::vector<int16_t> values(static_cast<size_t>(run.N));
  EXPECT_LT(MultiToneValues(run, values.data()), run.N / 100);
}

struct RefusedCase {
  const char* list;
  const char* error;
};
class MultiToneRefusalTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MultiToneRefusalTest, RefusesWhatIsNoMultiTone) {
  PcmBuffer buffer;
  try {
    SynthesizeSignal(MultiTonePanel(GetParam().list), {}, buffer);
    FAIL() << "no error for " << GetParam().list;
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().error);
  }
  EXPECT_EQ(buffer.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MultiToneRefusalTest,
    ::testing::Values(RefusedCase{"", "'' is not a valid tone list"}, RefusedCase{"60;7000", "'60;7000' is not a valid tone list"},
                      RefusedCase{"60:0,7000", "'60:0,7000' is not a valid tone list"},
                      RefusedCase{"60:-1", "'60:-1' is not a valid tone list"}, RefusedCase{"60:", "'60:' is not a valid tone list"},
                      RefusedCase{"60,,70", "'60,,70' is not a valid tone list"}, RefusedCase{"60,", "'60,' is not a valid tone list"},
                      RefusedCase{"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", "A multi-tone has at most 16 tones, not 17"},
                      RefusedCase{"60,30000", "The tone 30000 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"},
                      RefusedCase{"0", "The tone 0 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"},
                      RefusedCase{"-60", "The tone -60 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(MultiToneTest, HalfTheRateIsTheHighestTone) {
  EXPECT_NO_THROW(MultiToneRun(MultiTonePanel("22050")));
  EXPECT_EQ(Fast(MultiTonePanel("22050")), (std::vector<int16_t>{0, 0}));  // sin(pi n) = 0
}

}  // namespace
}  // namespace sondrel
