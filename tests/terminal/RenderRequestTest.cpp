// A --render command line read in process: each option's bounds at their
// edges, the defaults, and the combinations no file format holds.
#include "terminal/RenderRequest.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

namespace sondrel {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words{"--render"};
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

struct RequestCase {
  const char* arguments;  // after "--render x.kvs"
  const char* problem;    // a part of it; nullptr: understood
};
void PrintTo(const RequestCase& c, std::ostream* out) { *out << "'" << c.arguments << "'"; }

class RenderRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RenderRequestTest, AcceptsWhatIsWithinBoundsAndSaysWhyNot) {
  const RenderRequestReading reading = ReadRenderRequest(Words(std::string("x.kvs ") + GetParam().arguments));
  if (GetParam().problem == nullptr) {
    EXPECT_TRUE(reading.request.has_value()) << reading.problem;
  } else {
    EXPECT_FALSE(reading.request.has_value());
    EXPECT_NE(reading.problem.find(GetParam().problem), std::string::npos) << reading.problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, RenderRequestTest,
    ::testing::Values(RequestCase{"-o a.wav --rate 8000", nullptr},
                      RequestCase{"-o a.wav --rate 7999", "--rate takes frames per second from 8000 to 384000, not '7999'"},
                      RequestCase{"-o a.wav --rate 384000", nullptr},
                      RequestCase{"-o a.wav --rate 384001", "not '384001'"},
                      RequestCase{"-o a.wav --max-seconds 1e9", nullptr},
                      RequestCase{"-o a.wav --max-seconds 1000000001", "at least one frame, not '1000000001'"},
                      RequestCase{"-o a.wav --max-seconds 0.000125", nullptr},  // one frame at 8000 Hz
                      RequestCase{"-o a.wav --max-seconds 0.0001249", "not '0.0001249'"},
                      RequestCase{"-o a.flac --format s24", nullptr},
                      RequestCase{"-o a.flac --format f32", "FLAC holds 16-bit or 24-bit samples"},
                      RequestCase{"-o a.flac --speakers 2.1", "FLAC has no 2.1 layout"},
                      RequestCase{"-o a.wav --speakers 2.1", nullptr},
                      RequestCase{"-o a.ogg", "must end in .wav, .flac, .pcm or .raw"},
                      RequestCase{"-o a.ogg --type raw", nullptr},
                      RequestCase{"", "--render needs an output file"}),
    [](const auto& test) {
      std::string name = "Given";
      for (const char c : std::string(test.param.arguments)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(RenderRequestDefaultsTest, TheNameChoosesTheFormatAndTheSettingsTheRest) {
  const RenderRequest flac = *ReadRenderRequest(Words("x.kvs -o Loud.FLAC")).request;
  EXPECT_EQ(flac.format, AudioFileFormat::Flac);
  EXPECT_EQ(flac.encoding, AudioSampleEncoding::Pcm16);
  EXPECT_EQ(flac.maxSeconds, 3600);
  EXPECT_FALSE(flac.rate.has_value());
  EXPECT_FALSE(flac.speakers.has_value());
  const RenderRequest piped = *ReadRenderRequest(Words("- -o - --max-seconds=2.5 --rate=96000")).request;
  EXPECT_TRUE(piped.ToStandardOutput());
  EXPECT_EQ(piped.script, "-");
  EXPECT_EQ(piped.format, AudioFileFormat::Wav);
  EXPECT_EQ(piped.maxSeconds, 2.5);
  EXPECT_EQ(piped.maxSecondsText, "2.5");
  EXPECT_EQ(piped.rate, 96000);
}

}  // namespace
}  // namespace sondrel
