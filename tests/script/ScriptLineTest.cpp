#include "script/ScriptLine.h"

#include "engine/AppError.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>

#include "engine/AppError.h"
#include "platform/TextReader.h"
#include "script/ScriptFile.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

struct SplitCase {
  const char* line;
  ScriptWords words;
};
void PrintTo(const SplitCase& c, std::ostream* out) { *out << "'" << c.line << "'"; }

class SplitWordsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitWordsTest, CutsAtEverySpaceAndNothingElse) { EXPECT_EQ(SplitWords(GetParam().line), GetParam().words); }

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitWordsTest,
    ::testing::Values(SplitCase{"tone 1000 2 -6 0", {"tone", "1000", "2", "-6", "0", "", ""}},
                      SplitCase{"", {"", "", "", "", "", "", ""}},
                      SplitCase{" tone", {"", "tone", "", "", "", "", ""}},
                      SplitCase{"end ", {"end", "", "", "", "", "", ""}},
                      SplitCase{"delay  2", {"delay", "", "2", "", "", "", ""}},
                      SplitCase{"tone\t440", {"tone\t440", "", "", "", "", "", ""}},
                      SplitCase{"a b c d e f g h i", {"a", "b", "c", "d", "e", "f", "g"}},
                      SplitCase{"rem this is a long comment of many words", {"rem", "this", "is", "a", "long", "comment", "of"}},
                      SplitCase{"\xEF\xBB\xBFtone 1", {"\xEF\xBB\xBFtone", "1", "", "", "", "", ""}}), CaseName());

struct ChannelCase {
  const char* channelWord;
  bool left, right;
};
void PrintTo(const ChannelCase& c, std::ostream* out) { *out << "'" << c.channelWord << "'"; }

class ChannelWordTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(ChannelWordTest, ComparesTheCharacterCode) {
  const ChannelChoice choice = ChannelsOf(GetParam().channelWord);
  EXPECT_EQ(choice.left, GetParam().left) << GetParam().channelWord;
  EXPECT_EQ(choice.right, GetParam().right) << GetParam().channelWord;
}

INSTANTIATE_TEST_SUITE_P(Words, ChannelWordTest,
                         ::testing::Values(ChannelCase{"", true, true}, ChannelCase{"LR", true, true},
                                           ChannelCase{"L", true, false}, ChannelCase{"Q", true, false},
                                           ChannelCase{"R", true, true}, ChannelCase{"r", true, true},
                                           ChannelCase{"B", false, false}, ChannelCase{"K", false, false},
                                           ChannelCase{"-", false, false}, ChannelCase{"7", false, false},
                                           ChannelCase{"\xE9", true, true}), CaseName());

struct ColourCase {
  const char* word;
  int32_t colour;  // -1: not a colour
  NoiseBand band;
};
void PrintTo(const ColourCase& c, std::ostream* out) { *out << "'" << c.word << "'"; }

class ColourWordTest : public ::testing::TestWithParam<ColourCase> {};

// The three colours, and pink in a band of two numbers as the script reads
// numbers; anything else is the line's error, in the colour error's words.
TEST_P(ColourWordTest, ReadsTheColourAndPinksBand) {
  const ColourCase& c = GetParam();
  if (c.colour < 0) {
    try {
      NoiseColourOf(c.word);
      FAIL() << "read " << c.word;
    } catch (const AppError& error) {
      EXPECT_EQ(std::string(error.what()), "'" + std::string(c.word) + "' is not a valid noise colour");
    }
    return;
  }
  const NoiseChoice choice = NoiseColourOf(c.word);
  EXPECT_EQ(choice.colour, c.colour);
  EXPECT_EQ(choice.band, c.band);
}

INSTANTIATE_TEST_SUITE_P(Words, ColourWordTest,
                         ::testing::Values(ColourCase{"white", kWhite, {}}, ColourCase{"pink", kPink, {}},
                                           ColourCase{"brown", kBrown, {}}, ColourCase{"pink:500-2000", kPink, {500, 2000}},
                                           ColourCase{"pink:30-80", kPink, {30, 80}},
                                           ColourCase{"pink:31.5-80.5", kPink, {31.5, 80.5}},
                                           ColourCase{"pink:80-30", kPink, {80, 30}},  // the synthesis refuses it
                                           ColourCase{"Pink", -1, {}}, ColourCase{"pink:", -1, {}},
                                           ColourCase{"pink:500", -1, {}}, ColourCase{"pink:-2000", -1, {}},
                                           ColourCase{"pink:500-", -1, {}}, ColourCase{"pink:5x-20", -1, {}},
                                           ColourCase{"pink:500-2000-3", -1, {}}, ColourCase{"white:500-2000", -1, {}},
                                           ColourCase{"pink 500-2000", -1, {}}),
                         CaseName());

TEST(FadeWordTest, IsWholeMillisecondsUpToASecond) {
  EXPECT_EQ(FadeMsOf("0"), 0);
  EXPECT_EQ(FadeMsOf("10"), 10);
  EXPECT_EQ(FadeMsOf("0004"), 4);
  EXPECT_EQ(FadeMsOf("1000"), 1000);
  for (const char* word : {"", "1001", "-5", "2.5", "10ms", "99999", " 5"}) {
    try {
      FadeMsOf(word);
      ADD_FAILURE() << "'" << word << "' was taken";
    } catch (const AppError& error) {
      EXPECT_EQ(std::string(error.what()), "'" + std::string(word) + "' is not a valid fade (whole milliseconds, 0 to 1000)");
    }
  }
}

TEST(PhaseWordTest, ThreeCharactersPutTheChannelsOutOfPhase) {
  EXPECT_FALSE(InPhaseOf("xyz"));
  EXPECT_FALSE(InPhaseOf("inv"));
  EXPECT_TRUE(InPhaseOf("xy"));
  EXPECT_TRUE(InPhaseOf(""));
  EXPECT_TRUE(InPhaseOf("xyzw"));
}

TEST(TextReaderTest, OnlyACarriageReturnEndsALine) {
  TextReader crlf({'a', '\r', '\n', 'b', '\r', 'c'});
  EXPECT_EQ(crlf.ReadLine(), "a");
  EXPECT_EQ(crlf.ReadLine(), "b");
  EXPECT_EQ(crlf.ReadLine(), "c");
  EXPECT_EQ(crlf.ReadLine(), "");  // past the end: empty lines, for ever
  EXPECT_EQ(crlf.ReadLine(), "");
  TextReader lineFeeds({'t', 'o', '\n', 'e', '\n'});
  EXPECT_EQ(lineFeeds.ReadLine(), "to\ne\n");
  TextReader twoFeeds({'a', '\r', '\n', '\n', 'b'});
  EXPECT_EQ(twoFeeds.ReadLine(), "a");
  EXPECT_EQ(twoFeeds.ReadLine(), "\nb");  // only one line feed belongs to the line end
}

struct LineEndCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;  // a script's lines, up to the end of the text
};

class ScriptLineEndTest : public ::testing::TestWithParam<LineEndCase> {};

// A script's line ends in CR LF as always, in a lone CR, or in a line feed
// alone as Linux editors save it; CR LF stays one line end.
TEST_P(ScriptLineEndTest, ALineFeedAloneAlsoEndsAScriptLine) {
  TextReader reader(std::vector<uint8_t>(GetParam().text.begin(), GetParam().text.end()),
                    TextReader::LineEnds::CarriageReturnOrLineFeed);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  EXPECT_EQ(lines, GetParam().lines);
  EXPECT_EQ(reader.ReadLine(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScriptLineEndTest,
    ::testing::Values(LineEndCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LineEndCase{"LineFeeds", "noise pink 10 -20\nend\n", {"noise pink 10 -20", "end"}},
                      LineEndCase{"Mixed", "a\nb\r\nc\rd", {"a", "b", "c", "d"}},
                      LineEndCase{"EmptyLines", "a\n\n\r\n\rb", {"a", "", "", "", "b"}},
                      LineEndCase{"LineFeedThenReturn", "a\n\rb", {"a", "", "b"}},
                      LineEndCase{"CtrlZ", std::string("end\n\x1a" "x\n"), {"end"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TextReaderTest, CtrlZEndsTheText) {
  TextReader reader({'e', 'n', 'd', 26, '\r', 'x'});
  EXPECT_EQ(reader.ReadLine(), "end");
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReaderTest, IntegersSkipBlanksAndTheRestOfTheirLine) {
  TextReader reader({' ', ' ', '2', ' ', 'w', '\r', '\n', '\t', '\r', '\n', '$', 'f', 'F', '\r', '\n', '-', '7'});
  EXPECT_EQ(reader.ReadInteger(), 2);
  EXPECT_EQ(reader.ReadInteger(), 255);
  EXPECT_EQ(reader.ReadInteger(), -7);
  EXPECT_EQ(reader.ReadInteger(), 0);  // past the end
}

TEST(ScriptFileTest, ReadsAgainFromTheStartAndReportsMissingFiles) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("sondrel-script-" + std::to_string(getpid()) + ".kvs");
  std::ofstream(path, std::ios::binary) << "rem one\r\nend\r\n";
  ScriptFile file(path);
  EXPECT_EQ(file.ReadLine(), "rem one");
  EXPECT_EQ(file.ReadLine(), "end");
  std::ofstream(path, std::ios::binary) << "tone\r\n";  // changed on disk: repeat reads it anew
  file.Rewind();
  EXPECT_EQ(file.ReadLine(), "tone");
  std::filesystem::remove(path);
  try {
    ScriptFile missing(path);
    ADD_FAILURE() << "opened a missing file";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
}

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

struct UnreadableCase {
  const char* name;
  std::function<std::filesystem::path(const std::filesystem::path& folder)> make;
  const char* message;
};

class UnreadableScriptTest : public ::testing::TestWithParam<UnreadableCase> {};

// What is not a regular file of a sane size is refused at once, never read
// until it ends (a FIFO without a writer would never even open).
TEST_P(UnreadableScriptTest, IsRefusedWithAClearError) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("sondrel-unreadable-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = GetParam().make(folder);
  try {
    ScriptFile file(path);
    ADD_FAILURE() << "read " << path;
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableScriptTest,
    ::testing::Values(UnreadableCase{"Fifo",
                                     [](const std::filesystem::path& folder) {
                                       const auto path = folder / "fifo.kvs";
                                       EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
                                       return path;
                                     },
                                     "Not a regular file"},
                      UnreadableCase{"Device", [](const std::filesystem::path&) { return std::filesystem::path("/dev/zero"); },
                                     "Not a regular file"},
                      UnreadableCase{"Folder", [](const std::filesystem::path& folder) { return folder; },
                                     "File access denied"},
                      UnreadableCase{"OverSixtyFourMebibytes",
                                     [](const std::filesystem::path& folder) {
                                       const auto path = folder / "huge.kvs";
                                       std::ofstream(path) << "rem";
                                       std::filesystem::resize_file(path, kLargestTextFile + 1);  // sparse
                                       return path;
                                     },
                                     "File too large: over 64 MiB"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ReadWholeStreamTest, StopsPastTheLargestTextFile) {
  std::signal(SIGPIPE, SIG_IGN);  // the writer meets a closed pipe
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::thread writer([&] {
    const std::vector<char> block(1 << 20, 'x');
    for (size_t written = 0; written <= kLargestTextFile; written += block.size()) {
      if (write(pipeEnds[1], block.data(), block.size()) < 0) break;  // the reader has stopped
    }
    close(pipeEnds[1]);
  });
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadWholeStream(pipeEnds[0], &bytes), EFBIG);
  close(pipeEnds[0]);
  writer.join();
}

}  // namespace
}  // namespace sondrel
