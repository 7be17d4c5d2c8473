// The fast synthesizer against the extended-precision reference, frame by
// frame, over many random signals and a few hand-picked hard ones.
#include "engine/FastSynthesis.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "engine/kernels/SynthesisKernels.h"
#include "tests/engine/SynthesisComparison.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

TEST(FastSynthesisTest, RandomSignalsMatchTheReferenceByteForByte) {
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 400; ++i) {
    const RandomSignal signal = MakeRandomSignal(random, 0.25);
    ASSERT_EQ(CompareWithReference(signal), "") << "signal " << i << ": " << signal.Describe();
  }
}

// The sample-rate setting's rates, and rates a device may run at.
TEST(FastSynthesisTest, RandomSignalsAtEveryRateMatchTheReference) {
  std::mt19937_64 random(48000);
  const int32_t rates[] = {48000, 88200, 96000, 22050, 32000, 192000};
  for (int i = 0; i < 240; ++i) {
    RandomSignal signal = MakeRandomSignal(random, 0.25);
    signal.state.SampleRate = rates[static_cast<size_t>(i) % std::size(rates)];
    ASSERT_EQ(CompareWithReference(signal), "") << "signal " << i << " at " << signal.state.SampleRate << " Hz: "
                                                << signal.Describe();
  }
  // Long sweeps at 96000 frames a second reach phases twice as far.
  for (int i = 0; i < 3; ++i) {
    RandomSignal signal = MakeRandomSignal(random, 1);
    signal.state.SignalType = SignalPage::Sweep;
    signal.state.Duration = "6";
    signal.state.SampleRate = 96000;
    ASSERT_EQ(CompareWithReference(signal), "") << signal.Describe();
  }
}

TEST(FastSynthesisTest, LongSweepsMatchTheReference) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 6; ++i) {
    RandomSignal signal = MakeRandomSignal(random, 1);
    signal.state.SignalType = SignalPage::Sweep;
    signal.state.Duration = "12";
    ASSERT_EQ(CompareWithReference(signal), "") << signal.Describe();
  }
}

struct HardCase {
  const char* name;
  PanelState state;
};

constexpr auto Sweep = SweepPanel;

class HardSignalTest : public ::testing::TestWithParam<HardCase> {};

TEST_P(HardSignalTest, MatchesTheReference) {
  EXPECT_EQ(CompareWithReference({GetParam().state, {1, 1, -1}}), "");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, HardSignalTest,
    ::testing::Values(
        // Exact quarter and half periods put sines on ties and zeros.
        HardCase{"Quarter", Sweep("11025", "11025", "1", kSine, "0")},
        HardCase{"QuarterSquare", Sweep("11025", "11025", "1", kSquare, "0")},
        HardCase{"QuarterTriangle", Sweep("11025", "11025", "1", kTriangular, "0")},
        // Steps of 30 degrees: sines of exactly 1/2 put 16383.5 on a tie.
        HardCase{"ThirtyDegrees", Sweep("3675", "3675", "1", kSine, "0")},
        HardCase{"ThirtyDegreesTriangle", Sweep("3675", "3675", "1", kTriangular, "0")},
        HardCase{"Nyquist", Sweep("22050", "22050", "0.5", kSquare, "-3")},
        HardCase{"ZeroHertz", Sweep("0", "0", "0.5", kSquare, "0")},
        HardCase{"Loud", Sweep("20", "20000", "2", kSine, "10")},
        HardCase{"LoudTriangle", Sweep("20", "20000", "2", kTriangular, "10")},
        HardCase{"VeryLoud", Sweep("1000", "1000", "0.2", kSine, "96")},
        HardCase{"BeyondThirtyTwoBits", Sweep("1000", "1000", "0.2", kSquare, "97")},
        HardCase{"Quiet", Sweep("20", "20000", "2", kTriangular, "-100")},
        HardCase{"HugePhases", Sweep("1e9", "2e9", "0.1", kSine, "0")},
        HardCase{"HugePhasesTriangle", Sweep("1e9", "2e9", "0.1", kTriangular, "0")},
        HardCase{"Downward", Sweep("22050", "0", "3", kTriangular, "-6")},
        HardCase{"Negative", Sweep("-500", "500", "1", kSine, "-1")},
        // Within 1e-9 of the Nyquist frequency and of small whole numbers.
        HardCase{"JustAboveNyquist", Sweep("22050.000000001", "22050.000000001", "0.5", kSine, "0")},
        HardCase{"JustBelowNyquistSquare", Sweep("22049.999999999", "22049.999999999", "0.5", kSquare, "0")},
        HardCase{"JustBelowNyquistTriangle", Sweep("22049.999999999", "22050.000000001", "0.5", kTriangular, "0")},
        HardCase{"NearOneHertz", Sweep("0.999999999", "1.000000001", "2", kSine, "0")},
        HardCase{"NearThreeHertzSquare", Sweep("3.000000001", "2.999999999", "2", kSquare, "0")},
        HardCase{"NearTwoHertzTriangle", Sweep("2.000000001", "2.000000001", "2", kTriangular, "0")},
        // Phases beyond 2^31 radians.
        HardCase{"PhaseBeyond2To31", Sweep("4e9", "5e9", "0.1", kSine, "0")},
        HardCase{"PhaseBeyond2To31Square", Sweep("4e9", "5e9", "0.1", kSquare, "0")},
        HardCase{"PhaseBeyond2To31Triangle", Sweep("4e9", "5e9", "0.1", kTriangular, "0")},
        // Frequency texts with more digits than any floating-point type holds.
        HardCase{"LongDecimals", Sweep("1000.00000000000000000000000000001", "440.1234567890123456789012345", "1", kSine, "-3")},
        HardCase{"LongDecimalsTriangle",
                 Sweep("0.0000000000000000000000000000000000001e40", "19999.99999999999999999999", "1", kTriangular, "0")}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(FastSynthesisTest, TheNumberOfThreadsDoesNotChangeTheBytes) {
  // SynthesizeFrames over the whole range in one piece, against the threaded buffer.
  PanelState state = Sweep("20", "20000", "3", kTriangular, "-6");
  const SignalRun run(state);
  std::vector<int16_t> values(static_cast<size_t>(run.N));
  SynthesizeFrames(run, 0, run.N / 3, values.data());
  SynthesizeFrames(run, run.N / 3, run.N, values.data() + run.N / 3);
  PcmBuffer threaded;
  SynthesizeSignal(state, {}, threaded);
  ASSERT_EQ(threaded.Size(), values.size() * 2);
  for (size_t n = 0; n < values.size(); ++n) {
    ASSERT_EQ(static_cast<int16_t>(threaded.Data()[2 * n] | (threaded.Data()[2 * n + 1] << 8)), values[n]) << n;
  }
}

// A property of the error bounds, not of speed: bounds that were far too
// wide would send many frames the slow way.
TEST(FastSynthesisTest, FewFramesNeedTheReferencePath) {
  for (const KernelVariant variant : SupportedKernelVariants()) {
    ChooseKernelVariant(variant);
    for (const int32_t wave : {kSine, kSquare, kTriangular}) {
      const SignalRun run(Sweep("20", "20000", "10", wave, "0"));
      std::vector<int16_t> values(static_cast<size_t>(run.N));
      const int64_t slow = SynthesizeFrames(run, 0, run.N, values.data());
      EXPECT_LT(slow, run.N / 10000) << KernelVariantName(variant) << ", wave " << wave;
    }
  }
  ChooseKernelVariant(std::nullopt);
}

// A system short of threads: the helpers already started finish, the buffer
// goes, and the error is the system's own.
TEST(FastSynthesisTest, AHelperThreadThatCannotStartIsReported) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = "20";
  state.fFinal = "20000";
  state.Duration = "60";
  constexpr int helpers = 3;
  SetSynthesisThreadLimit(helpers + 1);  // whatever the machine's cores
  for (int failing = 1; failing <= helpers; ++failing) {
    int started = 0;
    SetHelperThreadStarter([&](std::function<void()> task) {
      if (++started == failing) throw std::system_error(EAGAIN, std::generic_category());
      return std::thread(std::move(task));
    });
    PcmBuffer stream;
    try {
      SynthesizeSignal(state, ChannelGains{1, 1, 1}, stream);
      ADD_FAILURE() << "no error when thread " << failing << " failed";
    } catch (const AppError& error) {
      EXPECT_STREQ(error.what(), "Resource temporarily unavailable");
    }
    EXPECT_EQ(stream.Size(), 0u);
  }
  SetHelperThreadStarter({});
  SetSynthesisThreadLimit(0);
  PcmBuffer stream;
  SynthesizeSignal(state, ChannelGains{1, 1, 1}, stream);
  EXPECT_EQ(stream.Size(), 60u * 44100 * 2);
}

class ThreadCountTest : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override { SetSynthesisThreadLimit(0); }
};

// However many threads share the work, and however they are scheduled, the
// bytes are the reference's.
TEST_P(ThreadCountTest, BytesDoNotDependOnTheSplit) {
  SetSynthesisThreadLimit(GetParam());
  std::mt19937_64 random(static_cast<uint64_t>(GetParam()));
  for (int i = 0; i < 12; ++i) {
    RandomSignal signal = MakeRandomSignal(random, 6);
    signal.state.SignalType = SignalPage::Sweep;
    ASSERT_EQ(CompareWithReference(signal), "") << GetParam() << " threads, " << signal.Describe();
  }
}

INSTANTIATE_TEST_SUITE_P(Threads, ThreadCountTest, ::testing::Range(1, 9), CaseName());

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

// A doubtful value anywhere in a block, the last place included, sends the
// block to the reference.
TEST(KernelDoubtTest, FindsADoubtfulValueAtEveryPlaceOfABlock) {
  for (const KernelVariant variant : SupportedKernelVariants()) {
    ChooseKernelVariant(variant);
    for (const int32_t count : {1, 2, 7, 8, 31, 4096}) {
      std::vector<int16_t> values(static_cast<size_t>(count), 12345);
      EXPECT_FALSE(ActiveKernels().anyDoubtful(values.data(), count)) << KernelVariantName(variant) << " " << count;
      for (const int32_t place : {0, count / 2, count - 1}) {
        values[static_cast<size_t>(place)] = kDoubtful;
        EXPECT_TRUE(ActiveKernels().anyDoubtful(values.data(), count))
            << KernelVariantName(variant) << ": " << count << " values, doubtful at " << place;
        values[static_cast<size_t>(place)] = 12345;
      }
    }
  }
  ChooseKernelVariant(std::nullopt);
}

}  // namespace
}  // namespace sondrel
