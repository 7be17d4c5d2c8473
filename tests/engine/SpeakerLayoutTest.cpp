// The layouts as a receiver and a WAV reader know them: the channel order,
// the channel mask and the terminal's word for each.
#include "engine/SpeakerLayout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

namespace sondrel {
namespace {

struct LayoutCase {
  const char* word;
  const char* positions;
  uint32_t mask;
};

class SpeakerLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SpeakerLayoutTest, HasItsPositionsInMaskOrder) {
  std::string upper = GetParam().word;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::optional<SpeakerLayoutId> id = LayoutNamed(upper);
  ASSERT_TRUE(id.has_value());
  const SpeakerLayout& layout = LayoutOf(*id);
  std::string positions;
  for (Speaker speaker : layout.speakers) positions += std::string(positions.empty() ? "" : " ") + SpeakerName(speaker);
  EXPECT_EQ(positions, GetParam().positions);
  EXPECT_EQ(layout.channelMask, GetParam().mask);
  EXPECT_EQ(layout.word, std::string(GetParam().word));
}

INSTANTIATE_TEST_SUITE_P(Layouts, SpeakerLayoutTest,
                         ::testing::Values(LayoutCase{"stereo", "FL FR", 0x3}, LayoutCase{"2.1", "FL FR LFE", 0x0B},
                                           LayoutCase{"quad", "FL FR RL RR", 0x33},
                                           LayoutCase{"5.1", "FL FR FC LFE RL RR", 0x3F},
                                           LayoutCase{"7.1", "FL FR FC LFE RL RR SL SR", 0x63F}),
                         [](const auto& test) { return "layout_" + std::to_string(test.index); });

TEST(SpeakerLayoutTest, OtherWordsNameNoLayoutOrSpeaker) {
  for (const char* word : {"", "mono", "5.1.2", "7,1"}) EXPECT_FALSE(LayoutNamed(word).has_value()) << word;
  for (const char* word : {"", "C", "LFE2", "BL"}) EXPECT_FALSE(SpeakerNamed(word).has_value()) << word;
}

}  // namespace
}  // namespace sondrel
