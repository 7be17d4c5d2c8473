// The fades at a play's ends: the frame counts, the factors by the formula
// at both ends and where they overlap, a stop, and the samples of each
// format multiplied and rounded.
#include "platform/PlayFade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sondrel {
namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double Rise(uint32_t n, uint32_t frames) { return (1 - std::cos(kPi * n / frames)) / 2; }

struct FadeFramesCase {
  int32_t ms;
  int32_t rate;
  uint32_t frames;
};

class FadeFramesTest : public ::testing::TestWithParam<FadeFramesCase> {};

TEST_P(FadeFramesTest, AreTheMillisecondsAtTheRateRounded) {
  EXPECT_EQ(FadeFrames(GetParam().ms, GetParam().rate), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Choices, FadeFramesTest,
                         ::testing::Values(FadeFramesCase{0, 44100, 0}, FadeFramesCase{5, 44100, 220},
                                           FadeFramesCase{10, 44100, 441}, FadeFramesCase{4, 44100, 176},
                                           FadeFramesCase{20, 48000, 960}, FadeFramesCase{100, 96000, 9600},
                                           FadeFramesCase{-5, 44100, 0}));

// {play frames, frame, factor}: the rise, the signal's own frames, the fall
// mirrored to the last frame, both where a short play's fades overlap, and
// nothing after the end.
struct GainCase {
  uint64_t play;
  uint64_t frame;
  long double gain;
};

class FadeGainTest : public ::testing::TestWithParam<GainCase> {};

TEST_P(FadeGainTest, FollowsTheRaisedCosineAtBothEnds) {
  const PlayFade fade(441, GetParam().play);
  EXPECT_EQ(fade.Gain(GetParam().frame), GetParam().gain) << "frame " << GetParam().frame;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FadeGainTest,
    ::testing::Values(GainCase{kEndlessPlay, 0, 0}, GainCase{kEndlessPlay, 1, Rise(1, 441)},
                      GainCase{kEndlessPlay, 440, Rise(440, 441)}, GainCase{kEndlessPlay, 441, 1},
                      GainCase{kEndlessPlay, 1u << 30, 1}, GainCase{1000, 558, 1}, GainCase{1000, 559, Rise(440, 441)},
                      GainCase{1000, 998, Rise(1, 441)}, GainCase{1000, 999, 0}, GainCase{1000, 1000, 0},
                      GainCase{500, 250, Rise(250, 441) * Rise(249, 441)}));

TEST(PlayFadeTest, AStopEndsThePlayTheFadeAfterItUnlessItEndsSooner) {
  PlayFade endless(441, kEndlessPlay);
  endless.StopAt(600);
  EXPECT_EQ(endless.PlayFrames(), 1041u);
  EXPECT_EQ(endless.Gain(600), Rise(440, 441));
  EXPECT_EQ(endless.Gain(1040), 0);
  PlayFade ending(441, 1000);
  ending.StopAt(800);  // already in its fall
  EXPECT_EQ(ending.PlayFrames(), 1000u);
  PlayFade early(441, kEndlessPlay);
  early.StopAt(100);  // still rising: both factors
  EXPECT_EQ(early.Gain(300), Rise(300, 441) * Rise(240, 441));
}

TEST(PlayFadeTest, TouchesOnlyTheFramesOfItsFades) {
  const PlayFade fade(441, 10000);
  EXPECT_TRUE(fade.Touches(0, 1));
  EXPECT_TRUE(fade.Touches(440, 5));
  EXPECT_FALSE(fade.Touches(441, 9118));
  EXPECT_TRUE(fade.Touches(441, 9119));
  EXPECT_FALSE(PlayFade(0, 10000).Touches(0, 10000));
  EXPECT_FALSE(PlayFade(441, kEndlessPlay).Touches(441, 1u << 30));
}

TEST(PlayFadeTest, MultipliesEachFormatsSamplesAndRoundsTheIntegers) {
  const PlayFade fade(441, 1000);
  // Two channels, frames 219 to 222 of the rise and 997 to 1000 (the last
  // is past the end) of the fall.
  for (const uint64_t from : {uint64_t{219}, uint64_t{997}}) {
    std::vector<int16_t> pcm = {10000, -32768, 32767, 1, -7, 20000, 123, -123};
    std::vector<int32_t> wide = {0x123456 << 8, -(0x654321 << 8), 0x7FFFFF << 8, 256, -256, 0x100000 << 8, 0, 1 << 8};
    std::vector<float> floats = {0.5f, -1.0f, 1.0f, 0.25f, -0.125f, 0.75f, 0.0f, 0.001f};
    const std::vector<int16_t> pcmBefore = pcm;
    const std::vector<int32_t> wideBefore = wide;
    const std::vector<float> floatsBefore = floats;
    fade.Apply(pcm.data(), 4, 2, from);
    fade.Apply(wide.data(), 4, 2, from);
    fade.Apply(floats.data(), 4, 2, from);
    for (size_t i = 0; i < pcm.size(); ++i) {
      const long double gain = fade.Gain(from + i / 2);
      EXPECT_EQ(pcm[i], static_cast<int16_t>(std::nearbyint(pcmBefore[i] * gain))) << i;
      EXPECT_EQ(wide[i], static_cast<int32_t>(std::nearbyint((wideBefore[i] >> 8) * gain)) * 256) << i;
      EXPECT_EQ(floats[i], static_cast<float>(floatsBefore[i] * gain)) << i;
    }
  }
}

// A stop's frames come from the buffer pass after pass, faded, and end
// with the play.
TEST(PlayFadeTest, FadedFramesFollowTheBufferAcrossItsPasses) {
  const std::vector<int16_t> buffer = {100, 200, 300, 400, 500};  // mono, five frames
  WAVEHDR header;
  header.lpData = reinterpret_cast<const uint8_t*>(buffer.data());
  header.dwBufferLength = 10;
  header.dwLoops = 3;
  header.fadeFrames = 4;
  PlayFade fade = FadeOf(header, 2);
  EXPECT_EQ(fade.PlayFrames(), 15u);
  fade.StopAt(6);
  const std::vector<int16_t> tail = FadedFrames(header, 2, fade, 6, 10);
  ASSERT_EQ(tail.size(), 4u);  // the stop's fade: frames 6 to 9
  for (size_t i = 0; i < tail.size(); ++i) {
    EXPECT_EQ(tail[i], static_cast<int16_t>(std::nearbyint(buffer[(6 + i) % 5] * fade.Gain(6 + i)))) << i;
  }
  EXPECT_EQ(tail.back(), 0);
  header.playLimit = 14;  // seven frames
  EXPECT_EQ(FadeOf(header, 2).PlayFrames(), 7u);
}

}  // namespace
}  // namespace sondrel
