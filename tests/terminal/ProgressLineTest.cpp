// The progress line's text: the line playing as a terminal can show it.
#include "terminal/ProgressLine.h"

#include <gtest/gtest.h>

namespace sondrel {
namespace {

struct TextCase {
  const char* name;
  const char* what;
  double seconds;
  const char* text;
};

class ProgressTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ProgressTextTest, NamesTheLineAndTheAudioTime) {
  EXPECT_EQ(ProgressText("playing", GetParam().seconds, GetParam().what), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProgressTextTest,
    ::testing::Values(
        TextCase{"Nothing", "", 3.04, "sondrel: playing, 3.0 s of audio so far"},
        TextCase{"ALine", "line 3: tone 1000 2 -6 0", 12.46, "sondrel: playing line 3: tone 1000 2 -6 0, 12.5 s of audio so far"},
        TextCase{"ControlCharacters", "line 1: rem \x1b[2J\a", 1, "sondrel: playing line 1: rem ?[2J?, 1.0 s of audio so far"},
        TextCase{"CutToFit", "line 12: rem a remark far too long to show on one line", 2,
                 "sondrel: playing line 12: rem a remark far too long t..., 2.0 s of audio so far"},
        TextCase{"CutBetweenCharacters", "line 1: rem x" "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", 0.5,
                 "sondrel: playing line 1: rem x" "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9" "..., 0.5 s of audio so far"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
