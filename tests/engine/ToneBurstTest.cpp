// The tone burst: its definition on hand-computed frames, where each burst
// starts and ends, the fast path against the reference on random bursts at
// both common rates with every kernel variant, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "engine/kernels/SynthesisKernels.h"
#include "engine/tones/ToneBurst.h"
#include "engine/tones/ToneBurstSynthesis.h"
#include "tests/support/PanelStates.h"
#include "tests/support/SynthesizedSamples.h"

namespace sondrel {
namespace {

using testing_support::BurstPanel;
using testing_support::FastSamples;
using testing_support::ReferenceSamples;

PanelState At(int32_t rate, PanelState state) { return testing_support::AtRate(rate, state); }

struct FrameCase {
  const char* name;
  PanelState state;
  int32_t frame;
  int16_t value;
};
class ToneBurstFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ToneBurstFrameTest, FollowsTheDefinition) {
  const std::vector<int16_t> samples = FastSamples(GetParam().state);
  ASSERT_GT(samples.size(), static_cast<size_t>(GetParam().frame));
  EXPECT_EQ(samples[static_cast<size_t>(GetParam().frame)], GetParam().value);
}

// Worked by hand: 1000 Hz at 48000 Hz is 48 frames a cycle. Two cycles in a
// Hann window: at n = 16, sin 120 deg = 0.8660254 times (1 - cos 60 deg) / 2
// = 0.25 gives 7094.26; at n = 32, sin 240 deg times 0.75, -21282.79; at
// n = 95, sin(-7.5 deg) = -0.1305262 times (1 - cos 3.75 deg) / 2 =
// 0.0010705, -4.58; from n = 96 on, silence. 31.5 Hz, 6.5 cycles at 44100 Hz
// lasts 9100 frames exactly, its middle frame 4550 at the window's top and
// the tone's crest (3.25 turns): 32767, at -6 dB (A = 0.50118723) 16422.40.
INSTANTIATE_TEST_SUITE_P(
    Frames, ToneBurstFrameTest,
    ::testing::Values(FrameCase{"HannStartsAtZero", At(48000, BurstPanel("1000", "2", "0.01", "0")), 0, 0},
                      FrameCase{"HannQuarter", At(48000, BurstPanel("1000", "2", "0.01", "0")), 16, 7094},
                      FrameCase{"HannThreeQuarters", At(48000, BurstPanel("1000", "2", "0.01", "0")), 32, -21283},
                      FrameCase{"HannLastFrame", At(48000, BurstPanel("1000", "2", "0.01", "0")), 95, -5},
                      FrameCase{"SilenceAfterTheBurst", At(48000, BurstPanel("1000", "2", "0.01", "0")), 96, 0},
                      FrameCase{"RectangularQuarter", At(48000, BurstPanel("1000", "2", "0.01", "0", kRectangularWindow)), 12, 32767},
                      FrameCase{"RectangularLastQuarter", At(48000, BurstPanel("1000", "2", "0.01", "0", kRectangularWindow)), 84,
                                -32767},
                      FrameCase{"CeaMiddle", At(44100, BurstPanel("31.5", "6.5", "1", "0")), 4550, 32767},
                      FrameCase{"CeaMiddleAtMinus6", At(44100, BurstPanel("31.5", "6.5", "1", "-6")), 4550, 16422}),
    [](const auto& test) { return std::string(test.param.name); });

struct LengthCase {
  const char* hz;
  const char* cycles;
  const char* every;
  int32_t rate;
  int32_t burstFrames;   // L
  int32_t periodFrames;  // P
};
class ToneBurstLengthTest : public ::testing::TestWithParam<LengthCase> {};

// The burst holds exactly the frames with n / R < C / F, and the buffer is
// one period: silence from L to P.
TEST_P(ToneBurstLengthTest, HoldsItsFramesThenSilence) {
  const LengthCase& test = GetParam();
  const PanelState state = At(test.rate, BurstPanel(test.hz, test.cycles, test.every, "0", kRectangularWindow));
  const ToneBurstRun run(state);
  EXPECT_EQ(run.L, test.burstFrames);
  EXPECT_EQ(run.P, test.periodFrames);
  const std::vector<int16_t> samples = FastSamples(state);
  ASSERT_EQ(samples.size(), static_cast<size_t>(test.periodFrames));
  EXPECT_TRUE(std::all_of(samples.begin() + test.burstFrames, samples.end(), [](int16_t s) { return s == 0; }));
  // The last frame of a rectangular burst is still the tone's.
  EXPECT_NE(samples[static_cast<size_t>(test.burstFrames - 1)], 0);
}

INSTANTIATE_TEST_SUITE_P(Bursts, ToneBurstLengthTest,
                         ::testing::Values(LengthCase{"31.5", "6.5", "1", 44100, 9100, 44100},  // 9100 * 31.5 = 6.5 * 44100
                                           LengthCase{"20", "6.5", "1", 48000, 15600, 48000},
                                           LengthCase{"63", "6.5", "1", 48000, 4953, 48000},  // 4952.38 up
                                           LengthCase{"1000", "0.5", "0.25", 44100, 23, 11025},
                                           LengthCase{"100", "100", "1", 44100, 44100, 44100}));  // end to end

struct RandomCase {
  int32_t rate;
  KernelVariant variant;
};
class ToneBurstFastPathTest : public ::testing::TestWithParam<RandomCase> {};

std::string CaseName(const RandomCase& test) {
  const char* kernels[] = {"baseline", "avx2fma", "avx512"};
  return std::to_string(test.rate) + "_" + kernels[static_cast<int>(test.variant)];
}

// Random frequencies (whole and fractional), cycles, windows, levels up to
// clipping, and channel layouts: the same bytes both ways.
TEST_P(ToneBurstFastPathTest, AgreesWithTheReferenceByteForByte) {
  const std::vector<KernelVariant> supported = SupportedKernelVariants();
  if (std::find(supported.begin(), supported.end(), GetParam().variant) == supported.end()) {
    GTEST_SKIP() << "this processor lacks " << KernelVariantName(GetParam().variant);
  }
  ChooseKernelVariant(GetParam().variant);
  std::mt19937_64 random(static_cast<uint64_t>(GetParam().rate) * 11 + static_cast<uint64_t>(GetParam().variant));
  const int32_t rate = GetParam().rate;
  for (int run = 0; run < 60; ++run) {
    // Log-uniform from 20 Hz to half the rate: the low, long bursts as often as the high ones.
    const double hz = 20 * std::pow(rate / 40.0, std::uniform_real_distribution<double>(0, 1)(random));
    const std::string frequency = run % 3 == 0 ? std::to_string(static_cast<int>(hz)) : std::to_string(hz);
    // At most a tenth of a second of burst keeps the reference quick.
    const double cycles = std::min(std::uniform_real_distribution<double>(0.5, 100)(random), 0.1 * hz);
    const std::string decibels = std::to_string(std::uniform_int_distribution<int>(-60, 6)(random));
    const int32_t window = run % 2 == 0 ? kHannWindow : kRectangularWindow;
    const ChannelGains gains{static_cast<int32_t>(random() % 2), 1, random() % 2 == 0 ? 1 : -1};
    const PanelState state = At(rate, BurstPanel(frequency, std::to_string(cycles), "0.2", decibels, window));
    ASSERT_EQ(FastSamples(state, gains), ReferenceSamples(state, gains))
        << frequency << " Hz, " << cycles << " cycles, " << decibels << " dB, window " << window;
  }
  ChooseKernelVariant(std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(RatesAndKernels, ToneBurstFastPathTest,
                         ::testing::Values(RandomCase{44100, KernelVariant::Baseline}, RandomCase{48000, KernelVariant::Baseline},
                                           RandomCase{44100, KernelVariant::Avx2Fma}, RandomCase{48000, KernelVariant::Avx512}),
                         [](const auto& test) { return CaseName(test.param); });

// The fast path leaves only the frames at a rounding boundary to the reference.
TEST(ToneBurstTest, TheFastPathNeedsTheReferenceForFewFrames) {
  for (const int32_t window : {kHannWindow, kRectangularWindow}) {
    const ToneBurstRun run(BurstPanel("63", "100", "2", "-6", window));
    std::vector<int16_t> values(static_cast<size_t>(run.P));
    EXPECT_LT(ToneBurstValues(run, values.data()), run.L / 1000) << "window " << window;
  }
}

struct RefusedCase {
  PanelState state;
  const char* error;
};
class ToneBurstRefusalTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(ToneBurstRefusalTest, RefusesWhatIsNoBurst) {
  PcmBuffer buffer;
  try {
    SynthesizeSignal(GetParam().state, {}, buffer);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().error);
  }
  EXPECT_EQ(buffer.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, ToneBurstRefusalTest,
    ::testing::Values(
        RefusedCase{BurstPanel("0", "6.5", "1", "0"),
                    "The tone 0 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"},
        RefusedCase{BurstPanel("22050.5", "6.5", "1", "0"),
                    "The tone 22050.5 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"},
        RefusedCase{BurstPanel("50", "0.4", "1", "0"), "A burst has 0.5 to 100 cycles, not 0.4"},
        RefusedCase{BurstPanel("50", "100.5", "1", "0"), "A burst has 0.5 to 100 cycles, not 100.5"},
        RefusedCase{BurstPanel("50", "6.5", "0", "0"), "A burst's period must lie above 0 s and at most 60 s, not 0 s"},
        RefusedCase{BurstPanel("50", "6.5", "61", "0"), "A burst's period must lie above 0 s and at most 60 s, not 61 s"},
        RefusedCase{BurstPanel("20", "6.5", "0.3", "0"),
                    "A burst of 6.5 cycles at 20 Hz lasts 0.325 s, longer than its period of 0.3 s"},
        RefusedCase{BurstPanel("fifty", "6.5", "1", "0"), "'fifty' is not a valid floating point value"},
        RefusedCase{BurstPanel("50", "6.5", "1", "-6.5"), "'-6.5' is not a valid integer value"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace sondrel
