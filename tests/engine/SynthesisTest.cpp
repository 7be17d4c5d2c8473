#include "engine/Synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/AppError.h"
#include "engine/WideSamples.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/PanelStates.h"

namespace sondrel {
namespace {

PanelState Constant(const char* frequency) {
  PanelState state;
  state.SignalType = SignalPage::Constant;
  state.fEdit = frequency;
  return state;
}

PanelState Sweep(const char* from, const char* to, const char* seconds) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = from;
  state.fFinal = to;
  state.Duration = seconds;
  return state;
}

std::vector<uint8_t> Bytes(const PanelState& state, ChannelGains gains = {}) {
  PcmBuffer stream;
  SynthesizeSignal(state, gains, stream);
  return {stream.Data(), stream.Data() + stream.Size()};
}

// The 16-bit values of the buffer, in order (both channels when stereo).
std::vector<int16_t> Values(const PanelState& state, ChannelGains gains = {}) {
  const std::vector<uint8_t> bytes = Bytes(state, gains);
  std::vector<int16_t> values;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    values.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return values;
}

struct SizeCase {
  const char* name;
  PanelState state;
  ChannelGains gains;
  size_t bytes;
};

class BufferSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BufferSizeTest, HasTheExpectedLength) {
  EXPECT_EQ(Bytes(GetParam().state, GetParam().gains).size(), GetParam().bytes);
}

PanelState WithLongBuffer(PanelState state) {
  state.LongBuffer = true;
  return state;
}
PanelState WithAlwaysStereo(PanelState state) {
  state.AlwaysStereo = true;
  return state;
}
using testing_support::AtRate;

INSTANTIATE_TEST_SUITE_P(
    Layouts, BufferSizeTest,
    ::testing::Values(
        SizeCase{"Constant1000", Constant("1000"), {}, 882},
        SizeCase{"Constant440", Constant("440"), {}, 2205 * 2},
        SizeCase{"Constant997", Constant("997"), {}, 44100 * 2},
        SizeCase{"Constant11025", Constant("11025"), {}, 8},
        SizeCase{"FractionalUsesRoundedPeriod", Constant("1000.5"), {}, 882},
        SizeCase{"ZeroHertzIsOneFrame", Constant("0"), {}, 2},
        SizeCase{"NegativeHertzIsOneFrame", Constant("-50"), {}, 2},
        SizeCase{"AlwaysStereo", WithAlwaysStereo(Constant("1000")), {}, 1764},
        SizeCase{"LeftOnlyIsStereo", Constant("1000"), {1, 0, 1}, 1764},
        SizeCase{"OutOfPhaseIsStereo", Constant("1000"), {1, 1, -1}, 1764},
        SizeCase{"NoChannelIsMono", Constant("1000"), {0, 0, 1}, 882},
        SizeCase{"LongBuffer1000", WithLongBuffer(Constant("1000")), {}, 4410 * 2},
        SizeCase{"LongBuffer441", WithLongBuffer(Constant("441")), {}, 10000 * 2},
        SizeCase{"LongBuffer22000", WithLongBuffer(Constant("22000")), {}, 200 * 2},
        SizeCase{"LongBufferNegative", WithLongBuffer(Constant("-1000")), {}, 0},
        SizeCase{"LongBufferTooHighIsEmpty", WithLongBuffer(Constant("8820001")), {}, 0},
        SizeCase{"SweepOneSecond", Sweep("100", "10000", "1"), {}, 88200},
        SizeCase{"SweepOneSecondLeftOnly", Sweep("100", "10000", "1"), {1, 0, 1}, 176400},
        SizeCase{"SweepIgnoresLongBuffer", WithLongBuffer(Sweep("100", "10000", "0.5")), {}, 44100},
        SizeCase{"SweepRoundsFrames", Sweep("100", "200", "0.0000113378684807"), {}, 0},
        SizeCase{"SweepZeroDuration", Sweep("100", "10000", "0"), {}, 0},
        SizeCase{"SweepNegativeDuration", Sweep("100", "10000", "-1"), {}, 0},
        // Every formula takes the chosen rate R: R / gcd(R, f) frames, Round(100 R / f) with the long
        // buffer, Round(Duration R) for a sweep.
        SizeCase{"At48000Constant1000", AtRate(48000, Constant("1000")), {}, 48 * 2},
        SizeCase{"At48000Constant440", AtRate(48000, Constant("440")), {}, 1200 * 2},  // gcd 40
        SizeCase{"At48000Constant997", AtRate(48000, Constant("997")), {}, 48000 * 2},
        SizeCase{"At48000Constant11025", AtRate(48000, Constant("11025")), {}, 640 * 2},  // gcd 75
        SizeCase{"At48000LongBuffer1000", AtRate(48000, WithLongBuffer(Constant("1000"))), {}, 4800 * 2},
        SizeCase{"At48000LongBuffer22000", AtRate(48000, WithLongBuffer(Constant("22000"))), {}, 218 * 2},
        SizeCase{"At48000SweepOneSecond", AtRate(48000, Sweep("100", "10000", "1")), {}, 96000},
        SizeCase{"At88200Constant1000", AtRate(88200, Constant("1000")), {}, 441 * 2},  // gcd 200
        SizeCase{"At96000Constant1000", AtRate(96000, Constant("1000")), {}, 96 * 2},
        SizeCase{"At96000SweepHalfSecondStereo", AtRate(96000, Sweep("20", "20000", "0.5")), {1, 1, -1}, 192000}),
    [](const auto& test) { return std::string(test.param.name); });

// The phase advances by f / R turns a frame: a quarter period at 12000 Hz
// and 48000 frames a second gives the four cardinal values.
TEST(SynthesisTest, SineAtAQuarterOfTheRateIsTheFourCardinalValuesAtEveryRate) {
  for (const int32_t rate : {44100, 48000, 88200, 96000}) {
    const std::string quarter = std::to_string(rate / 4);
    EXPECT_EQ(Values(AtRate(rate, Constant(quarter.c_str()))), (std::vector<int16_t>{0, 32767, 0, -32767}))
        << rate;
  }
}

// The default rate gives, byte for byte, what the program gave before the
// rate could be chosen (hashes taken from that build).
TEST(SynthesisTest, TheDefaultRateGivesTheBytesItAlwaysGave) {
  struct Golden {
    PanelState state;
    ChannelGains gains;
    uint64_t hash;
  };
  auto withLog = [](PanelState state) {
    state.Logarithmic = true;
    state.Amplitude = "-6";
    return state;
  };
  const Golden cases[] = {
      {Constant("1000"), {1, 1, 1}, 16474594608898498771ull},
      {Sweep("20", "20000", "10"), {1, 1, -1}, 385801435021643008ull},
      {withLog(Sweep("20", "20000", "6")), {1, 1, 1}, 10762086071758876048ull},
  };
  for (const Golden& golden : cases) {
    PanelState state = golden.state;
    if (state.SignalType == SignalPage::Sweep) state.WaveForm = kSine;
    const std::vector<uint8_t> bytes = Bytes(state, golden.gains);
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    EXPECT_EQ(hash, golden.hash) << state.fInit << " " << state.Duration;
  }
}

TEST(SynthesisTest, SineAt11025HertzIsTheFourCardinalValues) {
  PanelState state = Constant("11025");
  EXPECT_EQ(Bytes(state), (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0x7F, 0x00, 0x00, 0x01, 0x80}));
  state.WaveForm = kTriangular;
  EXPECT_EQ(Bytes(state), (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0x7F, 0x00, 0x00, 0x01, 0x80}));
  state.WaveForm = kSquare;
  EXPECT_EQ(Values(state), (std::vector<int16_t>{32767, 32767, 32767, -32767}));
}

struct LevelCase {
  const char* amplitude;
  int16_t level;
};
void PrintTo(const LevelCase& c, std::ostream* out) { *out << "'" << c.amplitude << "'"; }

class SquareLevelTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SquareLevelTest, SquareTakesPlusAndMinusTheLevel) {
  PanelState state = Constant("1000");
  state.WaveForm = kSquare;
  state.Amplitude = GetParam().amplitude;
  const std::vector<int16_t> values = Values(state);
  ASSERT_EQ(values.size(), 441u);
  EXPECT_EQ(values.front(), GetParam().level);  // sin 0 = 0 counts as the upper level
  for (int16_t value : values) {
    EXPECT_TRUE(value == GetParam().level || value == -GetParam().level) << value;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, SquareLevelTest,
                         ::testing::Values(LevelCase{"0", 32767}, LevelCase{"-6", 16422},
                                           LevelCase{"-20", 3277}, LevelCase{"-100", 0},
                                           LevelCase{"10", 32767},  // clipped, not wrapped
                                           LevelCase{"96", 32767}), CaseName());

TEST(SynthesisTest, MinusOneHundredDecibelsIsSilence) {
  for (int32_t wave : {kSine, kSquare, kTriangular}) {
    PanelState state = Constant("440");
    state.Amplitude = "-100";
    state.WaveForm = wave;
    for (int16_t value : Values(state)) ASSERT_EQ(value, 0);
  }
}

TEST(SynthesisTest, FirstFrameOfEveryWaveform) {
  for (auto [wave, first] : {std::pair{kSine, 0}, {kSquare, 16422}, {kTriangular, 0}}) {
    PanelState state = Sweep("300", "40", "0.1");
    state.Amplitude = "-6";
    state.WaveForm = wave;
    EXPECT_EQ(Values(state).front(), first) << wave;
  }
}

TEST(SynthesisTest, UnknownWaveformIsSilenceOfTheSameLength) {
  for (int32_t wave : {-1, 3, 7}) {
    PanelState state = Constant("1000");
    state.WaveForm = wave;
    const std::vector<int16_t> values = Values(state);
    EXPECT_EQ(values.size(), 441u);
    EXPECT_EQ(std::count(values.begin(), values.end(), 0), 441);
  }
}

TEST(SynthesisTest, ChannelLayouts) {
  const PanelState state = Constant("11025");
  EXPECT_EQ(Values(state, {1, 0, 1}), (std::vector<int16_t>{0, 0, 32767, 0, 0, 0, -32767, 0}));
  EXPECT_EQ(Values(state, {0, 1, 1}), (std::vector<int16_t>{0, 0, 0, 32767, 0, 0, 0, -32767}));
  EXPECT_EQ(Bytes(state, {1, 1, -1}),
            (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0x7F, 0x01, 0x80, 0, 0, 0, 0, 0x01, 0x80, 0xFF, 0x7F}));
  // Both channels off: mono with the full signal.
  EXPECT_EQ(Values(state, {0, 0, 1}), (std::vector<int16_t>{0, 32767, 0, -32767}));
  // Both off but always stereo: two silent channels.
  EXPECT_EQ(Values(WithAlwaysStereo(state), {0, 0, 1}), std::vector<int16_t>(8, 0));
  EXPECT_EQ(Values(WithAlwaysStereo(state)), (std::vector<int16_t>{0, 0, 32767, 32767, 0, 0, -32767, -32767}));
}

TEST(SynthesisTest, FractionalFrequencyPlaysAtTheExactFrequency) {
  const std::vector<int16_t> values = Values(Constant("1000.5"));
  ASSERT_EQ(values.size(), 441u);
  for (size_t n = 0; n < values.size(); ++n) {
    const double expected = 32767 * std::sin(2 * M_PI * 1000.5 * n / 44100);
    ASSERT_NEAR(values[n], expected, 1.0) << n;
  }
  EXPECT_EQ(Values(Constant("0")), std::vector<int16_t>{0});
}

TEST(SynthesisTest, LinearSweepFollowsItsInstantaneousFrequency) {
  const std::vector<int16_t> values = Values(Sweep("100", "10000", "1"));
  ASSERT_EQ(values.size(), 44100u);
  for (size_t n = 0; n < values.size(); n += 97) {
    const double phase = 2 * M_PI * n * (100 + 9900.0 * n / (2 * 44100)) / 44100;
    ASSERT_NEAR(values[n], 32767 * std::sin(phase), 1.0) << n;
  }
}

TEST(SynthesisTest, DownwardSweepAndTriangleStayWithinTheLevel) {
  PanelState state = Sweep("20000", "20", "0.5");
  state.WaveForm = kTriangular;
  state.Amplitude = "-20";
  for (int16_t value : Values(state)) ASSERT_LE(std::abs(value), 3277);
}

TEST(SynthesisTest, TriangleIsInPhaseWithTheSine) {
  PanelState state = Constant("1000");
  state.WaveForm = kTriangular;
  const std::vector<int16_t> values = Values(state);
  // 44.1 frames a period: a quarter period in, the triangle is near its peak.
  for (size_t n = 0; n < values.size(); ++n) {
    const double x = std::fmod(2 * M_PI * 1000 * n / 44100, 2 * M_PI);
    const double expected = 32767 * (2 / M_PI) * std::asin(std::sin(x));
    ASSERT_NEAR(values[n], expected, 4.0) << n;
  }
}

TEST(SynthesisTest, LogarithmicFlagChangesOnlySweeps) {
  PanelState constant = Constant("1000");
  const std::vector<uint8_t> plain = Bytes(constant);
  constant.Logarithmic = true;
  EXPECT_EQ(Bytes(constant), plain);

  PanelState sweep = Sweep("100", "10000", "1");
  const std::vector<uint8_t> linear = Bytes(sweep);
  sweep.Logarithmic = true;
  EXPECT_NE(Bytes(sweep), linear);

  // A start or end at or below zero, or no change, falls back to the linear law.
  for (auto [from, to] : {std::pair{"0", "1000"}, {"1000", "-5"}, {"500", "500"}}) {
    PanelState fallback = Sweep(from, to, "0.2");
    const std::vector<uint8_t> expected = Bytes(fallback);
    fallback.Logarithmic = true;
    EXPECT_EQ(Bytes(fallback), expected) << from << " " << to;
  }
}

TEST(SynthesisTest, LogarithmicSweepRisesExponentially) {
  PanelState state = Sweep("100", "10000", "2");
  state.Logarithmic = true;
  const std::vector<int16_t> values = Values(state);
  ASSERT_EQ(values.size(), 88200u);
  const double N = 88200, ratio = 100;
  for (size_t n = 0; n < values.size(); n += 101) {
    const double phase = 2 * M_PI * 100 * N / (44100 * std::log(ratio)) * std::expm1(std::log(ratio) * n / N);
    ASSERT_NEAR(values[n], 32767 * std::sin(phase), 1.0) << n;
  }
}

struct SweepLawCase {
  int32_t rate;
  bool logarithmic;
};

class SweepLawTest : public ::testing::TestWithParam<SweepLawCase> {};

// A sweep's phase advances by its instantaneous frequency over the chosen
// rate, in the program's synthesizer and in the reference alike.
TEST_P(SweepLawTest, FollowsItsLawAtTheChosenRate) {
  PanelState state = Sweep("100", "10000", "0.5");
  state.SampleRate = GetParam().rate;
  state.Logarithmic = GetParam().logarithmic;
  PcmBuffer reference;
  SynthesizeSignalReference(state, {}, reference);
  const std::vector<int16_t> fast = Values(state);
  const double R = GetParam().rate, N = R / 2, ratio = 100;
  ASSERT_EQ(fast.size(), static_cast<size_t>(N));
  ASSERT_EQ(reference.Size(), fast.size() * 2);
  for (size_t n = 0; n < fast.size(); n += 89) {
    const double phase = GetParam().logarithmic
                             ? 2 * M_PI * 100 * N / (R * std::log(ratio)) * std::expm1(std::log(ratio) * n / N)
                             : 2 * M_PI * n * (100 + 9900.0 * n / (2 * N)) / R;
    const auto referenceValue = static_cast<int16_t>(reference.Data()[2 * n] | (reference.Data()[2 * n + 1] << 8));
    ASSERT_NEAR(fast[n], 32767 * std::sin(phase), 1.0) << n;
    ASSERT_NEAR(referenceValue, 32767 * std::sin(phase), 1.0) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, SweepLawTest,
                         ::testing::Values(SweepLawCase{8000, false}, SweepLawCase{48000, false}, SweepLawCase{96000, false},
                                           SweepLawCase{48000, true}, SweepLawCase{96000, true}),
                         [](const auto& test) {
                           return std::to_string(test.param.rate) + (test.param.logarithmic ? "Logarithmic" : "Linear");
                         });

struct ErrorCase {
  const char* name;
  PanelState state;
  const char* message;
};

class SynthesisErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SynthesisErrorTest, RaisesAndAppendsNothing) {
  PcmBuffer stream;
  try {
    SynthesizeSignal(GetParam().state, {}, stream);
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  EXPECT_TRUE(stream.Empty());
}

PanelState With(PanelState state, void (*change)(PanelState&)) {
  change(state);
  return state;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SynthesisErrorTest,
    ::testing::Values(
        ErrorCase{"FrequencyText", Constant("abc"), "'abc' is not a valid floating point value"},
        ErrorCase{"EmptyFrequency", Constant(""), "'' is not a valid floating point value"},
        ErrorCase{"SweepStart", Sweep("1k", "200", "1"), "'1k' is not a valid floating point value"},
        ErrorCase{"SweepEnd", Sweep("100", "x", "y"), "'x' is not a valid floating point value"},
        ErrorCase{"Duration", Sweep("100", "200", "1,5"), "'1,5' is not a valid floating point value"},
        ErrorCase{"DecimalAmplitude", With(Constant("1000"), [](PanelState& s) { s.Amplitude = "-3.5"; }),
                  "'-3.5' is not a valid integer value"},
        ErrorCase{"FrequencyBeforeAmplitude",
                  With(Constant("?"), [](PanelState& s) { s.Amplitude = "loud"; }),
                  "'?' is not a valid floating point value"},
        ErrorCase{"ZeroWithLongBuffer", WithLongBuffer(Constant("0")), "Floating point division by zero"},
        ErrorCase{"AbsurdFrequency", Constant("1e12"), "Invalid floating point operation"},
        ErrorCase{"AbsurdDuration", Sweep("100", "200", "1e6"), "Invalid floating point operation"},
        ErrorCase{"AmplitudeBeyond32Bits",
                  With(Constant("1000"), [](PanelState& s) {
                    s.Amplitude = "100";
                    s.WaveForm = kSquare;
                  }),
                  "Invalid floating point operation"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SynthesisTest, HelperFunctions) {
  EXPECT_EQ(GreatestCommonDivisor(44100, 1000), 100);
  EXPECT_EQ(GreatestCommonDivisor(1000, 44100), 100);
  EXPECT_EQ(GreatestCommonDivisor(44100, 997), 1);
  EXPECT_EQ(GreatestCommonDivisor(44100, 0), 44100);
  EXPECT_EQ(GreatestCommonDivisor(44100, -7), 44100);
  EXPECT_EQ(SquareOf(0.0f), 1);
  EXPECT_EQ(SquareOf(-0.0f), 1);
  EXPECT_EQ(SquareOf(-1e-30f), -1);
  EXPECT_EQ(TriangleOf(0.0f), 0.0f);
  EXPECT_EQ(TriangleOf(static_cast<float>(M_PI / 2)), 1.0f);
  EXPECT_NEAR(TriangleOf(static_cast<float>(M_PI / 6)), 1.0f / 3, 1e-6);
  EXPECT_TRUE(StereoLayout(1, 0, 1, false));
  EXPECT_TRUE(StereoLayout(1, 1, -1, false));
  EXPECT_TRUE(StereoLayout(1, 1, 1, true));
  EXPECT_FALSE(StereoLayout(1, 1, 1, false));
  EXPECT_FALSE(StereoLayout(0, 0, 1, false));
}

TEST(PcmBufferTest, AFreedLargeBufferServesTheNextOneAndMovesLeaveNothingBehind) {
  PcmBuffer first;
  uint8_t* bytes = first.Grow(3 << 20);
  bytes[0] = 7;
  PcmBuffer moved(std::move(first));
  EXPECT_TRUE(first.Empty());
  EXPECT_EQ(first.Data(), nullptr);
  first.Free();  // nothing to keep
  const uint8_t* block = moved.Data();
  moved.Free();
  PcmBuffer next;
  next.Reserve(2 << 20);
  EXPECT_EQ(next.Data(), block);  // the kept block, not a fresh one
  EXPECT_TRUE(next.Empty());
  next.AppendSample(-2);
  EXPECT_EQ(next.Data()[0], 0xFE);
  EXPECT_EQ(next.Data()[1], 0xFF);
}

TEST(PcmBufferTest, ReservingBeyondFourGigabytesIsOutOfMemory) {
  PcmBuffer stream;
  try {
    stream.Reserve(size_t{5} << 30);
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "Out of memory while expanding memory stream");
  }
}

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

// A long sweep made piece by piece, in pieces that do not fall on the
// synthesizer's own chunks, is the whole buffer byte for byte, in every
// sample format and layout.
class SweepPieceTest : public ::testing::TestWithParam<ChannelGains> {};

TEST_P(SweepPieceTest, PiecesJoinIntoTheWholeSignal) {
  PanelState sweep;
  sweep.SignalType = SignalPage::Sweep;
  sweep.fInit = "30";
  sweep.fFinal = "15000";
  sweep.Duration = "5";
  sweep.Amplitude = "-3";
  sweep.WaveForm = kTriangular;
  const ChannelGains gains = GetParam();
  const size_t channels = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, false) ? 2 : 1;
  PcmBuffer whole;
  SynthesizeSignal(sweep, gains, whole);
  std::vector<int32_t> wholeS24;
  SynthesizeS24(sweep, gains, wholeS24);
  const int32_t frames = static_cast<int32_t>(whole.Size() / (2 * channels));
  ASSERT_EQ(frames, 5 * 44100);
  std::vector<int16_t> joined;
  std::vector<int32_t> joinedS24, piece24;
  for (int32_t from = 0; from < frames; from += 70001) {
    const int32_t to = std::min(frames, from + 70001);
    std::vector<int16_t> piece(static_cast<size_t>(to - from) * channels);
    SynthesizeSignalPiece(sweep, gains, from, to, piece.data());
    joined.insert(joined.end(), piece.begin(), piece.end());
    SynthesizeS24(sweep, gains, piece24, from, to);
    joinedS24.insert(joinedS24.end(), piece24.begin(), piece24.end());
  }
  ASSERT_EQ(joined.size() * 2, whole.Size());
  EXPECT_TRUE(std::equal(joined.begin(), joined.end(), reinterpret_cast<const int16_t*>(whole.Data())));
  EXPECT_TRUE(joinedS24 == wholeS24);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SweepPieceTest,
                         ::testing::Values(ChannelGains{1, 1, 1}, ChannelGains{1, 1, -1}, ChannelGains{0, 1, 1}));

}  // namespace
}  // namespace sondrel
