// --render run as a terminal runs it: scripts rendered to audio files and
// pipes, compared sample for sample with the synthesizer's buffers laid out
// as a listener hears them, and the files it keeps or leaves when it fails.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "engine/NumberText.h"
#include "engine/PcmBuffer.h"
#include "engine/Synthesis.h"
#include "tests/engine/SynthesisComparison.h"
#include "tests/script/DelayCases.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/PanelStates.h"
#include "tests/terminal/TerminalTest.h"

namespace sondrel {
namespace {

using testing_support::AtRate;
using testing_support::BurstPanel;
using testing_support::NoisePanel;
using testing_support::MultiTonePanel;
using testing_support::TonePanel;

class RenderTest : public TerminalTest {};

// Samples of a file, read back through libsndfile.
std::vector<int16_t> Decoded(const fs::path& path, int* channels, int rate = 44100) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<int16_t> samples(static_cast<size_t>(info.frames * info.channels));
  sf_readf_short(file, samples.data(), info.frames);
  sf_close(file);
  *channels = info.channels;
  EXPECT_EQ(info.samplerate, rate);
  return samples;
}

std::vector<int16_t> Raw(const std::string& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// The expected audio, built from the synthesizer by the layout rules.
class Expected {
 public:
  explicit Expected(int channels) : channels_(channels) {}
  void Silence(size_t frames) { samples.insert(samples.end(), frames * channels_, 0); }
  void Signal(const PanelState& state, const ChannelGains& gains, size_t loops) {
    Frames(state, gains, SIZE_MAX, loops);
  }
  // The buffer over and over, `frames` frames in all.
  void Frames(const PanelState& state, const ChannelGains& gains, size_t frames, size_t loops = SIZE_MAX) {
    PcmBuffer buffer;
    SynthesizeSignal(state, gains, buffer);
    const bool stereo = StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, false);
    const std::vector<int16_t> values = Raw(std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size()));
    size_t made = 0;
    for (size_t loop = 0; loop < loops && made < frames; ++loop) {
      for (size_t i = 0; i < values.size() && made < frames; i += stereo ? 2 : 1, ++made) {
        samples.push_back(values[i]);
        if (channels_ == 2) samples.push_back(stereo ? values[i + 1] : values[i]);
      }
    }
  }
  std::vector<int16_t> samples;

 private:
  size_t channels_;
};


const char* const kScript =
    "rem calibration run\r\n"
    "tone 1000 0.5 -6 0\r\n"         // mono: 441 frames, 50 times
    "delay 0.25\r\n"                 // three passes
    "tone 440 0.2 -10 1 L\r\n"       // left alone: stereo, 2205 frames, 4 times
    "sweep 100 1000 0.3 -20 2\r\n"   // still on the left alone
    "pause\r\n"
    "tone 997 0.1 0 0 R xyz\r\n"     // both channels out of phase
    "end\r\n"
    "tone 1 1 1 1\r\n";

Expected ExpectedForTheScript() {
  Expected expected(2);
  expected.Silence(8820);
  expected.Signal(TonePanel("1000", "0.5", "-6", 0), {1, 1, 1}, 50);
  expected.Silence(3 * 4410);
  expected.Silence(8820);
  expected.Signal(TonePanel("440", "0.2", "-10", 1), {1, 0, 1}, 4);
  expected.Signal(SweepPanel("100", "1000", "0.3", kTriangular, "-20"), {1, 0, 1}, 1);
  expected.Silence(8820);
  expected.Signal(TonePanel("997", "0.1", "0", 0), {1, 1, -1}, 0);  // Round(4410 / 44100) = 0 buffers
  return expected;
}

TEST_F(RenderTest, EachFormatHoldsWhatAListenerWouldHear) {
  Script(kScript);
  const std::vector<int16_t> expected = ExpectedForTheScript().samples;
  for (const char* name : {"out.wav", "out.flac", "out.WAV"}) {
    const Result result = Sondrel(std::string("--render test.kvs -o ") + name);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "sondrel: Pause in script. Press OK to continue\n");
    int channels = 0;
    EXPECT_EQ(Decoded(folder / name, &channels), expected) << name;
    EXPECT_EQ(channels, 2);
  }
  for (const char* name : {"out.pcm", "out.raw"}) {
    ASSERT_EQ(Sondrel(std::string("--render test.kvs -o ") + name).status, 0);
    EXPECT_EQ(Raw(Read(folder / name)), expected) << name;
  }
  const std::string wav = Read(folder / "out.wav");
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 4), "WAVE");
}

// A 5.1 render: six channels in every format, the tone on the centre and
// the subwoofer alone, and a WAV whose speakers a reader finds by itself.
TEST_F(RenderTest, ASurroundRenderNamesItsSpeakersAndReadsBackAlikeInEveryFormat) {
  Script("speakers FC,LFE\r\ntone 1000 0.1 -6 0\r\nend\r\n");
  for (const char* name : {"out.wav", "out.flac", "out.raw"}) {
    const Result result = Sondrel(std::string("--render test.kvs --speakers 5.1 -o ") + name);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  int channels = 0;
  const std::vector<int16_t> wav = Decoded(folder / "out.wav", &channels);
  ASSERT_EQ(channels, 6);
  EXPECT_EQ(Decoded(folder / "out.flac", &channels), wav);
  EXPECT_EQ(Raw(Read(folder / "out.raw")), wav);
  ASSERT_EQ(wav.size(), (8820u + 4410u) * 6);
  for (size_t frame = 8820; frame < wav.size() / 6; ++frame) {
    const int16_t* at = &wav[frame * 6];
    ASSERT_TRUE(at[0] == 0 && at[1] == 0 && at[4] == 0 && at[5] == 0 && at[2] == at[3]) << frame;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open((folder / "out.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  int positions[6] = {};
  EXPECT_EQ(sf_command(file, SFC_GET_CHANNEL_MAP_INFO, positions, sizeof positions), SF_TRUE);
  sf_close(file);
  EXPECT_EQ(std::vector<int>(positions, positions + 6),
            (std::vector<int>{SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
                              SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT}));
  // The stored layout is the default, which --speakers overrides.
  fs::create_directories(folder / "config" / "sondrel");
  std::ofstream(folder / "config" / "sondrel" / "settings") << "[Software\\Kelvo]\nSpeakers=dword:00000003\n";
  ASSERT_EQ(Sondrel("--render test.kvs -o stored.wav").status, 0);
  EXPECT_EQ(Decoded(folder / "stored.wav", &channels), wav);
  ASSERT_EQ(Sondrel("--render test.kvs -o told.wav --speakers stereo").status, 1);  // FC is no stereo speaker
}

TEST_F(RenderTest, AScriptOfMonoSignalsMakesAMonoFile) {
  Script("tone 1000 0.1 0 0\r\nsweep 20 200 0.2 -3 1\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o mono.pcm").status, 0);
  Expected expected(1);
  expected.Silence(8820);
  expected.Signal(TonePanel("1000", "0.1", "0", 0), {1, 1, 1}, 10);
  expected.Signal(SweepPanel("20", "200", "0.2", kSquare, "-3"), {1, 1, 1}, 1);
  EXPECT_EQ(Raw(Read(folder / "mono.pcm")), expected.samples);
}

// Noise plays its duration to the frame after the constant tone's pause; a
// logarithmic sweep is the memory's exponential law, and the sweep after it
// is linear again; pink in a band renders as the window's band plays.
TEST_F(RenderTest, NoiseAndLogarithmicSweepsRenderAsTheyPlay) {
  Script("noise pink 6.5 -20\r\nlogsweep 100 10000 0.5 -6 0\r\nsweep 100 10000 0.2 -6 0\r\n"
         "noise white 0.1 -30 R xyz\r\nnoise pink:500-2000 0.1 -20\r\nend\r\n");
  const Result result = Sondrel("--render test.kvs -o noise.wav");
  ASSERT_EQ(result.status, 0) << result.err;
  Expected expected(2);
  expected.Silence(8820);
  expected.Frames(NoisePanel(kPink, "-20"), {1, 1, 1}, 286650);  // a 262144-frame period and 24506 frames more
  PanelState logarithmic = SweepPanel("100", "10000", "0.5", kSine, "-6");
  logarithmic.Logarithmic = true;
  expected.Signal(logarithmic, {1, 1, 1}, 1);
  expected.Signal(SweepPanel("100", "10000", "0.2", kSine, "-6"), {1, 1, 1}, 1);
  expected.Silence(8820);
  expected.Frames(NoisePanel(kWhite, "-30"), {1, 1, -1}, 4410);
  PanelState band = NoisePanel(kPink, "-20");
  band.Band = kSpeakerLevelBand;
  expected.Silence(8820);
  expected.Frames(band, {1, 1, 1}, 4410);
  int channels = 0;
  EXPECT_EQ(Decoded(folder / "noise.wav", &channels), expected.samples);
  EXPECT_EQ(channels, 2);
}

// A multi-tone plays like noise: the pause, then its period looped to the
// frame; the channel boxes stay as the line before left them.
TEST_F(RenderTest, AMultiToneRendersItsPeriodToTheFrame) {
  Script("tone 1000 0.1 0 0 L\r\nmultitone 0.1 -6 60:4,7000:1\r\nmultitone 0.05 0 19000,20000\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o tones.raw").status, 0);
  Expected expected(2);
  expected.Silence(8820);
  expected.Signal(TonePanel("1000", "0.1", "0", 0), {1, 0, 1}, 10);
  expected.Silence(8820);
  expected.Frames(MultiTonePanel("60:4,7000:1", "-6"), {1, 0, 1}, 4410);
  expected.Silence(8820);
  expected.Frames(MultiTonePanel("19000,20000", "0"), {1, 0, 1}, 2205);
  EXPECT_EQ(Raw(Read(folder / "tones.raw")), expected.samples);
}

// Each burst starts at a whole period's frame: 0.035 s at 44100 Hz is
// 1543.5 frames, rounded to the even 1544, three periods of 441 and 221
// frames of a fourth, which holds the whole 89-frame burst.
TEST_F(RenderTest, BurstsStartEveryPeriodToTheFrame) {
  Script("burst 1000 2 0.01 0.035 -6\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o bursts.raw").status, 0);
  Expected expected(1);
  expected.Silence(8820);
  expected.Frames(BurstPanel("1000", "2", "0.01", "-6"), {1, 1, 1}, 1544);
  const std::vector<int16_t> samples = Raw(Read(folder / "bursts.raw"));
  EXPECT_EQ(samples, expected.samples);
  for (size_t start = 8820; start < samples.size(); start += 441) {
    EXPECT_EQ(samples[start], 0);  // the Hann window's first frame
    EXPECT_NE(samples[start + 1], 0) << "a burst starts at frame " << start;
    EXPECT_EQ(samples[start + 89], 0) << "the burst of frame " << start << " ends after 89 frames";
  }
}

// Only constant tones and noise wait 200 ms: a mono sweep after stereo
// tones, laid out for a stereo file, starts at once.
TEST_F(RenderTest, ASweepInAStereoFileHasNoStartPause) {
  Script("tone 1000 0.1 0 0 L\r\ntone 500 0.1 -6 1\r\nsweep 100 200 0.2 -3 2\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o mixed.raw").status, 0);
  Expected expected(2);
  expected.Silence(8820);
  expected.Signal(TonePanel("1000", "0.1", "0", 0), {1, 0, 1}, 10);
  expected.Silence(8820);
  expected.Signal(TonePanel("500", "0.1", "-6", 1), {1, 1, 1}, 10);
  expected.Signal(SweepPanel("100", "200", "0.2", kTriangular, "-3"), {1, 1, 1}, 1);
  EXPECT_EQ(Raw(Read(folder / "mixed.raw")), expected.samples);
}

// Every pause, pass and signal at the chosen rate: 200 ms are 9600 frames
// and a delay pass 4800 at 48000 frames a second; the file says its rate.
TEST_F(RenderTest, ARenderAtAnotherRateTakesItEverywhere) {
  Script("tone 1000 0.1 0 0\r\ndelay 0.1\r\nsweep 100 200 0.1 -3 1\r\nnoise white 0.05 -20 L\r\nend\r\n");
  auto expected = [](int32_t rate) {
    Expected audio(2);
    audio.Silence(static_cast<size_t>(rate / 5));
    audio.Frames(AtRate(rate, TonePanel("1000", "0.1", "0", 0)), {1, 1, 1}, static_cast<size_t>(rate / 10));
    audio.Silence(static_cast<size_t>(rate / 10));
    audio.Signal(AtRate(rate, SweepPanel("100", "200", "0.1", kSquare, "-3")), {1, 1, 1}, 1);
    audio.Silence(static_cast<size_t>(rate / 5));
    audio.Frames(AtRate(rate, NoisePanel(kWhite, "-20")), {1, 0, 1}, static_cast<size_t>(rate / 20));
    return audio.samples;
  };
  int channels = 0;
  ASSERT_EQ(Sondrel("--render test.kvs -o at48.wav --rate 48000").status, 0);
  EXPECT_EQ(Decoded(folder / "at48.wav", &channels, 48000), expected(48000));
  ASSERT_EQ(Sondrel("--render test.kvs -o joined.wav --rate=48000 --type=wav").status, 0);  // --name=value
  ASSERT_EQ(Sondrel("--render=test.kvs -o script-joined.wav --rate=48000").status, 0);  // the script joined too
  EXPECT_EQ(Read(folder / "script-joined.wav"), Read(folder / "joined.wav"));
  EXPECT_EQ(Read(folder / "joined.wav"), Read(folder / "at48.wav"));
  // The stored setting is the default; "the output device's rate" (0) renders at 44100.
  fs::create_directories(folder / "config" / "sondrel");
  std::ofstream(folder / "config" / "sondrel" / "settings") << "[Software\\Kelvo]\nSampleRate=dword:00017700\n";
  ASSERT_EQ(Sondrel("--render test.kvs -o stored.wav").status, 0);
  EXPECT_EQ(Decoded(folder / "stored.wav", &channels, 96000), expected(96000));
  std::ofstream(folder / "config" / "sondrel" / "settings") << "[Software\\Kelvo]\nSampleRate=dword:00000000\n";
  ASSERT_EQ(Sondrel("--render test.kvs -o device.wav").status, 0);
  EXPECT_EQ(Decoded(folder / "device.wav", &channels, 44100), expected(44100));
}

// A file's samples through libsndfile, as integers scaled to 32 bits (a
// 24-bit sample is its value times 256) or as floats.
template <typename Sample>
std::vector<Sample> DecodedAs(const fs::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<Sample> samples(static_cast<size_t>(info.frames * info.channels));
  if constexpr (std::is_same_v<Sample, float>) {
    sf_readf_float(file, samples.data(), info.frames);
  } else {
    sf_readf_int(file, samples.data(), info.frames);
  }
  sf_close(file);
  return samples;
}

// 24-bit and float samples come from the same value as the 16-bit ones,
// scaled to their range and rounded alike: Round(w (A 8388607)) and w A.
TEST_F(RenderTest, WiderFormatsHoldTheSameSignalFinerGrained) {
  Script("tone 1000 0.01 -6 0 L\r\nnoise pink 0.02 -20\r\nsweep 100 1000 0.02 0 2\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o s16.raw").status, 0);
  ASSERT_EQ(Sondrel("--render test.kvs -o s24.wav --format s24").status, 0);
  ASSERT_EQ(Sondrel("--render test.kvs -o s24.flac --format s24").status, 0);
  ASSERT_EQ(Sondrel("--render test.kvs -o f32.wav --format f32").status, 0);
  const std::vector<int16_t> s16 = Raw(Read(folder / "s16.raw"));
  const std::vector<int> s24 = DecodedAs<int>(folder / "s24.wav");
  const std::vector<float> f32 = DecodedAs<float>(folder / "f32.wav");
  ASSERT_EQ(s24.size(), s16.size());
  ASSERT_EQ(f32.size(), s16.size());
  EXPECT_EQ(DecodedAs<int>(folder / "s24.flac"), s24);  // FLAC keeps the 24 bits
  for (size_t i = 0; i < s16.size(); ++i) {
    ASSERT_EQ(s24[i] % 256, 0) << i;
    const double value16 = s16[i] / 32767.0, value24 = (s24[i] / 256) / 8388607.0;
    ASSERT_LE(std::abs(value24 - value16), 0.5 / 32767 + 0.5 / 8388607) << i;
    ASSERT_LE(std::abs(f32[i] - value16), 0.5 / 32767 + 1e-7) << i;
  }
  // The tone's frames (after the 200 ms pause), against the definition itself.
  PanelState tone = TonePanel("1000", "0.01", "-6", 0);
  const SignalRun run(tone);
  for (int32_t n = 0; n < run.N; ++n) {
    long double w = 0;
    ASSERT_TRUE(run.ComputeWave(n, w));
    const size_t left = static_cast<size_t>(8820 + n) * 2;
    EXPECT_EQ(s24[left] / 256, Round(w * (run.A * 8388607.0L))) << n;
    EXPECT_EQ(f32[left], static_cast<float>(w * run.A)) << n;
    EXPECT_EQ(s24[left + 1], 0);  // the right channel is off
  }
}

TEST_F(RenderTest, StandardInputServesAsTheScript) {
  const Result result = Sondrel("--render - -o in.raw", kScript);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Raw(Read(folder / "in.raw")), ExpectedForTheScript().samples);
}

TEST_F(RenderTest, RepeatPlaysOverUntilTheMaximumOnAWholeFrame) {
  Script("tone 1000 0.1 0 0 L\r\ndelay 0.1\r\nrepeat\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o long.pcm --max-seconds 1.00001").status, 0);
  const std::vector<int16_t> samples = Raw(Read(folder / "long.pcm"));
  ASSERT_EQ(samples.size(), 44100u * 2);  // floor(1.00001 * 44100) = 44100 frames, stereo
  Expected pass(2);
  pass.Silence(8820);
  pass.Signal(TonePanel("1000", "0.1", "0", 0), {1, 0, 1}, 10);
  pass.Silence(4410);
  for (size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], pass.samples[i % pass.samples.size()]) << i;
}

class RenderDelayTest : public RenderTest, public ::testing::WithParamInterface<DelayCase> {};

// A rendered delay is 100 ms of silence for each pass the window's run makes.
TEST_P(RenderDelayTest, WritesItsPassesOfSilence) {
  Script(std::string("tone 1000 0.1 0 0\r\ndelay ") + GetParam().seconds + "\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o out.raw").status, 0);
  EXPECT_EQ(Read(folder / "out.raw").size(), (8820u + 4410u + 4410u * GetParam().passes) * 2);
}

INSTANTIATE_TEST_SUITE_P(Times, RenderDelayTest, kDelayCases, DelayCaseName);

struct FailureCase {
  const char* name;
  const char* script;
  const char* message;
};

class RenderFailureTest : public RenderTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RenderFailureTest, ReportsTheRunsErrorAndLeavesNoFile) {
  Script(GetParam().script);
  const Result result = Sondrel("--render test.kvs -o out.wav");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, std::string("sondrel: test.kvs: ") + GetParam().message + "\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"config", "stderr", "stdin", "stdout", "test.kvs"}));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, RenderFailureTest,
    ::testing::Values(FailureCase{"NoEnd", "tone 1000 0.1 0 0\r\n",
                                  "line 2: an empty line is not a command (a script ends with \"end\")"},
                      FailureCase{"Capitalised", "Tone 1000 0.1 0 0\r\nend\r\n", "line 1: 'Tone' is not a command"},
                      FailureCase{"BadWave", "tone 1000 0.1 0 sine\r\nend\r\n", "line 1: 'sine' is not a valid integer value"},
                      FailureCase{"BadLevel", "tone 1000 0.1 0 0\r\ntone 1000 0.1 -6.5 0\r\nend\r\n",
                                  "line 2: '-6.5' is not a valid integer value (levels are whole decibels)"},
                      FailureCase{"BadFrequency", "tone 1k 0.1 0 0\r\nend\r\n",
                                  "line 1: '1k' is not a valid floating point value"},
                      FailureCase{"BadDelay", "delay soon\r\nend\r\n", "line 1: 'soon' is not a valid floating point value"},
                      FailureCase{"BadColour", "noise red 1 0\r\nend\r\n", "line 1: 'red' is not a valid noise colour"},
                      FailureCase{"BadBand", "noise pink:500-2k 1 -20\r\nend\r\n",
                                  "line 1: 'pink:500-2k' is not a valid noise colour"},
                      FailureCase{"BandAboveHalfTheRate", "noise pink:500-30000 1 -20\r\nend\r\n",
                                  "line 1: The noise band 500-30000 Hz must lie between 0 Hz and half the rate "
                                  "(22050 Hz), its low edge below its high one"},
                      FailureCase{"ToneAboveHalfTheRate", "multitone 1 -6 60,30000\r\nend\r\n",
                                  "line 1: The tone 30000 Hz must lie above 0 Hz and at most at half the rate (22050 Hz)"},
                      FailureCase{"BadToneList", "multitone 1 -6 60:4;7000\r\nend\r\n",
                                  "line 1: '60:4;7000' is not a valid tone list"},
                      FailureCase{"BurstLongerThanItsPeriod", "burst 20 6.5 0.3 1 0\r\nend\r\n",
                                  "line 1: A burst of 6.5 cycles at 20 Hz lasts 0.325 s, longer than its period of 0.3 s"},
                      FailureCase{"UnknownBurstWindow", "burst 50 6.5 1 1 0 blackman\r\nend\r\n",
                                  "line 1: 'blackman' is not a valid burst window"},
                      FailureCase{"BadLogSweepWave", "logsweep 20 200 1 0 x\r\nend\r\n", "line 1: 'x' is not a valid integer value"},
                      FailureCase{"SilentRepeat", "rem\r\nrepeat\r\n",
                                  "The script repeats without any sound or silence before \"repeat\" in line 2"}),
    [](const auto& test) { return std::string(test.param.name); });

// A device or an endless stream is refused, not read until memory runs out.
TEST_F(RenderTest, EndlessInputIsRefused) {
  Result result = Sondrel("--render /dev/zero -o out.wav");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "sondrel: /dev/zero: Not a regular file\n");
  const std::string command = "head -c 70000000 /dev/zero | env -u DISPLAY XDG_CONFIG_HOME='" + (folder / "config").string() +
                              "' " + SONDREL_EXECUTABLE + " --render - -o '" + (folder / "out.wav").string() + "' 2>'" +
                              (folder / "stderr").string() + "'";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  EXPECT_EQ(Read(folder / "stderr"), "sondrel: standard input: File too large: over 64 MiB\n");
  EXPECT_FALSE(fs::exists(folder / "out.wav"));
}

// An interrupted render removes its unfinished file and ends with the
// signal's status.
TEST_F(RenderTest, ASignalLeavesNoPartOfTheFile) {
  Script("noise white 3600 -20\r\nrepeat\r\n");
  const fs::path err = folder / "stderr";
  const std::string command = "cd '" + folder.string() + "' && exec env -u DISPLAY XDG_CONFIG_HOME='" +
                              (folder / "config").string() + "' " + SONDREL_EXECUTABLE +
                              " --render test.kvs -o out.wav --max-seconds 1e9 2>'" + err.string() + "'";
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Signalled once the file has begun.
    auto begun = [this] {
      const std::vector<std::string> names = Files();
      return std::any_of(names.begin(), names.end(), [](const std::string& name) { return name.rfind(".out.wav.", 0) == 0; });
    };
    for (int wait = 0; wait < 2000 && !begun(); ++wait) usleep(5000);
    ASSERT_TRUE(begun()) << "no file was begun";
    kill(child, signalNumber);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signalNumber);
    EXPECT_EQ(Files(), (std::vector<std::string>{"config", "stderr", "test.kvs"}));
  }
}

// A link to the output keeps pointing at it, now holding the audio.
TEST_F(RenderTest, AnOutputLinkIsFollowed) {
  Script("tone 1000 0.1 0 0\r\nend\r\n");
  fs::create_directory(folder / "real");
  fs::create_symlink("real/tone.raw", folder / "link.raw");
  ASSERT_EQ(Sondrel("--render test.kvs -o link.raw").status, 0);
  EXPECT_TRUE(fs::is_symlink(folder / "link.raw"));
  EXPECT_EQ(fs::file_size(folder / "real" / "tone.raw"), (8820u + 4410u) * 2);
}

// No format holds "no audio" alike: a script without sound is an error and
// leaves no file, whatever the format.
TEST_F(RenderTest, AScriptWithoutAudioWritesNoFile) {
  Script("rem nothing\r\npause\r\nend\r\n");
  for (const char* name : {"out.wav", "out.flac", "out.raw"}) {
    const Result result = Sondrel(std::string("--render test.kvs -o ") + name);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "sondrel: Pause in script. Press OK to continue\nsondrel: test.kvs: The script makes no audio: no file was written\n");
    EXPECT_FALSE(fs::exists(folder / name));
  }
}

TEST_F(RenderTest, AnExistingFileIsKeptWhenARenderFails) {
  Script("bogus\r\n");
  std::ofstream(folder / "out.wav") << "earlier";
  EXPECT_EQ(Sondrel("--render test.kvs -o out.wav").status, 1);
  EXPECT_EQ(Read(folder / "out.wav"), "earlier");
}

// What a Unix user tries with a render: an option given twice, a script
// written with LF line ends, a render cut short.
TEST_F(RenderTest, TheTerminalBehavesAsUnixToolsDo) {
  Script("tone 1000 0.1 0 0\r\nend\r\n");
  const Result twice = Sondrel("--render test.kvs -o a.wav -o b.wav");
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("'-o' is given twice"), std::string::npos) << twice.err;
  // A script saved by a Linux editor, its lines ending in a line feed alone,
  // renders as the same script with CR LF.
  Script("tone 1000 0.1 0 0\r\nsweep 100 200 0.1 -6 0\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o crlf.wav").status, 0);
  Script("tone 1000 0.1 0 0\nsweep 100 200 0.1 -6 0\nend\n");
  const Result unixLines = Sondrel("--render test.kvs -o lf.wav");
  EXPECT_EQ(unixLines.status, 0) << unixLines.err;
  EXPECT_EQ(unixLines.err, "");
  EXPECT_EQ(Read(folder / "lf.wav"), Read(folder / "crlf.wav"));
  // Lines that will not sound as written are noted, once each, with their
  // number; the status is a success's.
  Script("tone 30000 0.1 -20 0\nsweep 100 200 0.1 -6 0\ntone 1000 0.1 -20 0 B\nrepeat\n");
  const Result noted = Sondrel("--render test.kvs -o noted.wav --max-seconds 2");
  EXPECT_EQ(noted.status, 0);
  EXPECT_EQ(noted.err,
            "sondrel: test.kvs: line 1: 30000 Hz is above half the rate (22050 Hz): it sounds as 14100 Hz\n"
            "sondrel: test.kvs: line 3: no channel is chosen: the line plays silence\n");
  Script("tone 1000 5 0 0\r\nend\r\n");
  const Result cut = Sondrel("--render test.kvs -o a.wav --max-seconds 1");
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.err, "sondrel: test.kvs: the audio was cut at --max-seconds 1 before the script's end\n");
  Script("tone 1000 0.5 0 0\r\nrepeat\r\n");
  EXPECT_EQ(Sondrel("--render test.kvs -o a.wav --max-seconds 1").err, "");  // a repeat plays until the maximum
  Script("tone 1000 0.8 0 0\r\nrem the end\r\nend\r\n");
  EXPECT_EQ(Sondrel("--render test.kvs -o a.wav --max-seconds 1").err, "");  // filled exactly: nothing was cut
  Script("tone 1000 0.8 0 0\r\ndelay 0.1\r\n");
  EXPECT_NE(Sondrel("--render test.kvs -o a.wav --max-seconds 1").err, "");
}

TEST_F(RenderTest, AMissingScriptIsReported) {
  const Result result = Sondrel("--render missing.kvs -o out.wav");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "sondrel: missing.kvs: File not found\n");
}

// Audio piped on: a WAV header of unknown length that SoX and libsndfile
// read to the end, the same samples as the file, and nothing else on
// standard output.
TEST_F(RenderTest, StandardOutputCarriesTheAudioIntoAPipe) {
  Script(kScript);
  ASSERT_EQ(Sondrel("--render test.kvs -o file.wav").status, 0);
  const std::string piped = Command("--render test.kvs -o - 2>pipe.err | cat > piped.wav");
  ASSERT_EQ(std::system(("bash -o pipefail -c \"" + piped + "\"").c_str()), 0);
  const std::string bytes = Read(folder / "piped.wav");
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes.substr(40, 4), std::string("\x00\xF0\xFF\x7F", 4));  // the length SoX writes for "unknown"
  int fileChannels = 0, pipedChannels = 0;
  const std::vector<int16_t> expected = Decoded(folder / "file.wav", &fileChannels);
  EXPECT_TRUE(Decoded(folder / "piped.wav", &pipedChannels) == expected);
  EXPECT_EQ(pipedChannels, fileChannels);
  if (std::system("command -v sox >/dev/null") == 0) {
    const std::string sox = "cd '" + folder.string() + "' && cat piped.wav | sox -t wav - -t raw sox.raw 2>sox.err";
    ASSERT_EQ(std::system(sox.c_str()), 0);
    EXPECT_EQ(Read(folder / "sox.err"), "");
    EXPECT_TRUE(Raw(Read(folder / "sox.raw")) == expected);
  }
  if (std::system("command -v aplay >/dev/null") == 0) {  // ALSA's player, into its null device
    const std::string aplay = Command("--render test.kvs -o - 2>/dev/null | aplay -q -D null - 2>aplay.err");
    EXPECT_EQ(std::system(("bash -o pipefail -c \"" + aplay + "\"").c_str()), 0);
    EXPECT_EQ(Read(folder / "aplay.err"), "");
  }
  // Redirected into a file, standard output gets the lengths filled in.
  const Result redirected = Sondrel("--render test.kvs -o -");
  EXPECT_EQ(redirected.status, 0) << redirected.err;
  EXPECT_TRUE(redirected.out == Read(folder / "file.wav"));
}

TEST_F(RenderTest, TypeChoosesTheFormatWhateverTheName) {
  Script("tone 1000 0.1 -6 0\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o plain.raw").status, 0);
  const Result raw = Sondrel("--render --type raw -o - test.kvs");  // options before the script, in any order
  EXPECT_EQ(raw.status, 0) << raw.err;
  EXPECT_TRUE(raw.out == Read(folder / "plain.raw"));
  ASSERT_EQ(Sondrel("--render test.kvs --type flac -o audio.wav").status, 0);
  EXPECT_EQ(Read(folder / "audio.wav").substr(0, 4), "fLaC");
  // FLAC is finished at its start: into a pipe it comes whole at the end.
  ASSERT_EQ(std::system(("bash -o pipefail -c \"" + Command("--render test.kvs --type flac -o - | cat > piped.flac") +
                         "\"").c_str()), 0);
  EXPECT_TRUE(Read(folder / "piped.flac") == Read(folder / "audio.wav"));
  ASSERT_EQ(Sondrel("--render -o noname --type wav test.kvs").status, 0);
  EXPECT_EQ(Read(folder / "noname").substr(0, 4), "RIFF");
  EXPECT_EQ(Sondrel("--render test.kvs -o out.wav --type mp3").status, 2);
  EXPECT_EQ(Sondrel("--render test.kvs other.kvs -o out.wav").status, 2);
}

// The plain PCM header that every WAV reader takes (format tag 1, a 16-byte
// format chunk), in each integer format; floats carry tag 3.
TEST_F(RenderTest, WavFilesCarryThePlainPcmHeader) {
  Script("tone 1000 0.1 -6 0\r\nend\r\n");
  for (const auto& [format, tag, bits] : {std::tuple{"s16", 1, 16}, {"s24", 1, 24}, {"f32", 3, 32}}) {
    ASSERT_EQ(Sondrel(std::string("--render test.kvs -o out.wav --format ") + format).status, 0);
    const std::string bytes = Read(folder / "out.wav");
    auto u16 = [&bytes](size_t at) { return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8; };
    EXPECT_EQ(bytes.substr(0, 4), "RIFF") << format;
    EXPECT_EQ(u16(20), tag) << format;
    EXPECT_EQ(u16(34), bits) << format;
    EXPECT_EQ(u16(16), tag == 1 ? 16 : 18) << format;
  }
}

// A render reads a script's numbers as the window does, with the decimal
// separator of the locale.
TEST_F(RenderTest, NumbersFollowTheLocalesDecimalSeparator) {
  Script("tone 1000.5 0.25 -6 0\r\nend\r\n");
  ASSERT_EQ(Sondrel("--render test.kvs -o point.raw").status, 0);
  Script("tone 1000,5 0,25 -6 0\r\nend\r\n");
  environment = "LC_ALL= LC_NUMERIC=de_DE.UTF-8 LANG=C";
  ASSERT_EQ(Sondrel("--render test.kvs -o comma.raw").status, 0);
  EXPECT_TRUE(Read(folder / "comma.raw") == Read(folder / "point.raw"));
  environment = "LC_ALL=de_DE.UTF-8";
  Script("tone 1000.5 0.25 -6 0\r\nend\r\n");
  const Result point = Sondrel("--render test.kvs -o wrong.raw");
  EXPECT_EQ(point.status, 1);
  EXPECT_EQ(point.err, "sondrel: test.kvs: line 1: '1000.5' is not a valid floating point value\n");
}

// A sweep of an hour at a high rate is made and written in pieces: its
// whole buffer would not fit in the address space the render is allowed.
TEST_F(RenderTest, ALongSweepRendersInLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
  Script("sweep 20 20000 1800 -6 0\r\nend\r\n");
  const std::string command = "ulimit -v 600000 && " + Command("--render test.kvs --rate 192000 -o - > /dev/null");
  EXPECT_EQ(std::system(("bash -c \"" + command + "\"").c_str()), 0);  // 1.4 GB as one buffer
}

}  // namespace
}  // namespace sondrel
