// The switch from RIFF to RF64 at exactly the largest size a RIFF header
// counts, for each kind of header, with the sizes the 32-bit fields hold.
#include "platform/WaveHeader.h"

#include <gtest/gtest.h>

#include <string>

namespace sondrel {
namespace {

uint64_t Little32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 | uint64_t{bytes.at(at + 3)} << 24;
}

struct LimitCase {
  const char* name;
  WaveLayout layout;
};

class RiffLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(RiffLimitTest, TheLargestRiffSizeIsStillRiffAndOneByteMoreIsRf64) {
  const WaveLayout& layout = GetParam().layout;
  const uint64_t largest = LargestRiffData(layout);
  const size_t plainBytes = WaveHeader(layout, 0).size();
  for (const uint64_t dataBytes : {largest - 1, largest}) {
    const std::vector<uint8_t> header = WaveHeader(layout, dataBytes);
    ASSERT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF") << dataBytes;
    // The RIFF size counts all that follows its field: it fits 32 bits.
    EXPECT_EQ(Little32(header, 4), header.size() - 8 + dataBytes + dataBytes % 2) << dataBytes;
    EXPECT_LE(header.size() - 8 + dataBytes + dataBytes % 2, 0xFFFFFFFFu) << dataBytes;
    EXPECT_EQ(Little32(header, header.size() - 4), dataBytes);
  }
  const std::vector<uint8_t> beyond = WaveHeader(layout, largest + 1);
  ASSERT_EQ(std::string(beyond.begin(), beyond.begin() + 4), "RF64");
  EXPECT_EQ(beyond.size(), plainBytes + kRf64ExtraBytes);
  EXPECT_EQ(Little32(beyond, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Little32(beyond, beyond.size() - 4), 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Headers, RiffLimitTest,
                         ::testing::Values(LimitCase{"Pcm16Stereo", {2, 44100, 16, false, 0}},
                                           LimitCase{"Pcm24Mono", {1, 48000, 24, false, 0}},
                                           LimitCase{"Float", {2, 96000, 32, true, 0}},
                                           LimitCase{"Extensible51", {6, 48000, 16, false, 0x3F}}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
