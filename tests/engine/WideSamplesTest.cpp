// The 24-bit and float samples at their edges: noise clipped at full scale
// like the tones, and a switched-off channel that is silence of the right sign.
#include "engine/WideSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/Synthesis.h"
#include "tests/support/PanelStates.h"

namespace sondrel {
namespace {

using testing_support::NoisePanel;

class FullScaleNoiseTest : public ::testing::TestWithParam<int32_t> {};

// At 0 dB a noise's RMS is a full-scale sine's, so its peaks pass full scale:
// they are held at +-8388607, never wrapped.
TEST_P(FullScaleNoiseTest, PeaksAreClippedAtTwentyFourBits) {
  std::vector<int32_t> values;
  SynthesizeS24(NoisePanel(GetParam(), "0"), {}, values);
  ASSERT_FALSE(values.empty());
  constexpr int32_t kTop = 8388607 * 256;
  EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](int32_t v) { return v >= -kTop && v <= kTop; }));
  EXPECT_GT(std::count(values.begin(), values.end(), kTop) + std::count(values.begin(), values.end(), -kTop), 0);
  EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](int32_t v) { return v % 256 == 0; }));
  std::vector<float> floats;
  SynthesizeF32(NoisePanel(GetParam(), "0"), {}, floats);
  EXPECT_TRUE(std::all_of(floats.begin(), floats.end(), [](float v) { return v >= -1 && v <= 1; }));
  EXPECT_GT(std::count(floats.begin(), floats.end(), 1.0f) + std::count(floats.begin(), floats.end(), -1.0f), 0);
}

INSTANTIATE_TEST_SUITE_P(Colours, FullScaleNoiseTest, ::testing::Values(kWhite, kPink, kBrown),
                         [](const auto& test) { return std::string(test.param == kWhite ? "White" : test.param == kPink ? "Pink" : "Brown"); });

struct OffChannelCase {
  const char* name;
  ChannelGains gains;
  size_t offChannel;  // 0 left, 1 right
};

class OffChannelTest : public ::testing::TestWithParam<OffChannelCase> {};

// The channel that is off holds +0.0 in every frame, whatever the phase: a
// -0.0 is a different sample to anything that compares bits.
TEST_P(OffChannelTest, IsPositiveZeroInFloats) {
  PanelState tone;
  tone.fEdit = "997";
  std::vector<float> values;
  SynthesizeF32(tone, GetParam().gains, values);
  ASSERT_EQ(values.size() % 2, 0u);
  size_t negativeOn = 0;
  for (size_t i = 0; i < values.size(); i += 2) {
    const float off = values[i + GetParam().offChannel];
    ASSERT_EQ(off, 0.0f) << i;
    ASSERT_FALSE(std::signbit(off)) << "frame " << i / 2;
    negativeOn += values[i + 1 - GetParam().offChannel] < 0 ? 1 : 0;
  }
  EXPECT_GT(negativeOn, 0u);  // the other channel's negative half-waves were there to turn it
}

INSTANTIATE_TEST_SUITE_P(Layouts, OffChannelTest,
                         ::testing::Values(OffChannelCase{"RightOff", {1, 0, 1}, 1},
                                           OffChannelCase{"RightOffOutOfPhase", {1, 0, -1}, 1},
                                           OffChannelCase{"LeftOff", {0, 1, 1}, 0},
                                           OffChannelCase{"LeftOffOutOfPhase", {0, 1, -1}, 0}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
