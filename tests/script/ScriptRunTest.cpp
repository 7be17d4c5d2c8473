// The script language without a window: what each line sets and does, in
// the order a host sees it, with the delay's passes, repeat and end.
#include "script/ScriptRun.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/AppError.h"
#include "script/ScriptFile.h"
#include "tests/script/DelayCases.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

using Calls = std::vector<std::string>;

// Writes down every call; stops after a number of lines or delay passes.
class RecordingHost : public ScriptHost {
 public:
  Calls calls;
  int linesLeft = 100;
  int delayPassesLeft = 1000;
  bool logarithmic = false;
  SpeakerLayoutId layout = SpeakerLayoutId::Stereo;

  bool ReadyForLine() override { return linesLeft-- > 0; }
  void BeginLine(int lineCount, const std::string& command, const std::string&) override {
    calls.push_back("line " + std::to_string(lineCount) + " " + command);
  }
  void ShowPage(SignalPage page) override {
    const char* names[] = {"Constant", "Sweep", "Noise", "MultiTone", "Burst", "Dtmf"};
    calls.push_back(std::string("page ") + names[static_cast<int>(page)]);
  }
  void SetField(ScriptField field, const std::string& text) override {
    const char* names[] = {"fEdit",    "fInit",          "fFinal",      "Duration",   "Amplitude",
                           "ToneList", "BurstFrequency", "BurstCycles", "BurstPeriod",
                           "DtmfDigits", "DtmfToneMs", "DtmfGapMs"};
    calls.push_back(std::string(names[static_cast<int>(field)]) + "=" + text);
  }
  void SetWaveForm(int32_t index) override { calls.push_back("wave " + std::to_string(index)); }
  void SetBurstWindow(int32_t index) override { calls.push_back("window " + std::to_string(index)); }
  void SetFade(int32_t ms) override { calls.push_back("fade " + std::to_string(ms)); }
  void SetNoiseChannels(bool independent) override { calls.push_back(independent ? "independent" : "same"); }
  void SetNoiseColour(int32_t index, const NoiseBand& band) override {
    calls.push_back("colour " + std::to_string(index) +
                    (band.Limited() ? " " + std::to_string(static_cast<int>(band.low)) + "-" +
                                          std::to_string(static_cast<int>(band.high))
                                    : ""));
  }
  void SetChannels(bool left, bool right, bool inPhase) override {
    calls.push_back(std::string("channels ") + (left ? "L" : "-") + (right ? "R" : "-") + (inPhase ? " in" : " out"));
  }
  const SpeakerLayout& Layout() const override { return LayoutOf(layout); }
  void SetSpeakers(SpeakerSet chosen) override {
    std::string call = "speakers";
    for (Speaker speaker : Layout().speakers) {
      if ((chosen & SpeakerBit(speaker)) != 0) call += std::string(" ") + SpeakerName(speaker);
    }
    calls.push_back(call);
  }
  bool SetLogarithmic(bool checked) override {
    calls.push_back(std::string("log ") + (checked ? "on" : "off"));
    return std::exchange(logarithmic, checked);
  }
  void Play() override { calls.push_back(std::string("play") + (logarithmic ? " log" : "")); }
  bool DelayPass() override {
    calls.push_back("pass");
    return delayPassesLeft-- > 0;
  }
  void Pause(const std::string& message) override { calls.push_back("pause: " + message); }
  void StartOver(int lineCount) override { calls.push_back("start over after " + std::to_string(lineCount)); }
  void End() override { calls.push_back("end"); }
  void InvalidCommand(const std::string& message) override { calls.push_back("invalid: " + message); }
};

ScriptFile Script(const std::string& text) { return ScriptFile(std::vector<uint8_t>(text.begin(), text.end())); }

Calls RunLines(const std::string& text, RecordingHost host = {}) {
  ScriptFile file = Script(text);
  ScriptRun(file, host).Run();
  return host.calls;
}

struct LineCase {
  const char* name;
  const char* line;
  Calls calls;  // after the line's own "line 1 <command>"
};

class ScriptLineEffectTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ScriptLineEffectTest, SetsTheControlsInOrderThenPlays) {
  Calls expected{std::string("line 1 ") + std::string(GetParam().line).substr(0, std::string(GetParam().line).find(' '))};
  expected.insert(expected.end(), GetParam().calls.begin(), GetParam().calls.end());
  expected.push_back("line 2 end");
  expected.push_back("end");
  EXPECT_EQ(RunLines(std::string(GetParam().line) + "\r\nend\r\n"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ScriptLineEffectTest,
    ::testing::Values(
        LineCase{"Tone", "tone 440 2 -6 1 L xyz",
                 {"page Constant", "fEdit=440", "Duration=2", "Amplitude=-6", "wave 1", "channels L- out", "play"}},
        LineCase{"ToneWithoutChannelWords", "tone 1000 1 0 7",
                 {"page Constant", "fEdit=1000", "Duration=1", "Amplitude=0", "wave -1", "channels LR in", "play"}},
        LineCase{"SweepKeepsTheChannels", "sweep 100 10000 5 -20 2",
                 {"page Sweep", "fInit=100", "fFinal=10000", "Duration=5", "Amplitude=-20", "wave 2", "play"}},
        LineCase{"LogSweepTicksTheBoxWhileItPlays", "logsweep 20 20000 10 -6 0",
                 {"page Sweep", "log on", "fInit=20", "fFinal=20000", "Duration=10", "Amplitude=-6", "wave 0",
                  "play log", "log off"}},
        LineCase{"PinkNoise", "noise pink 30 -20",
                 {"page Noise", "Duration=30", "Amplitude=-20", "colour 1", "channels LR in", "play"}},
        LineCase{"BrownNoiseLeftOutOfPhase", "noise brown 1.5 -10 L abc",
                 {"page Noise", "Duration=1.5", "Amplitude=-10", "colour 2", "channels L- out", "play"}},
        LineCase{"WhiteNoiseOnNeitherChannel", "noise white 1 0 B",
                 {"page Noise", "Duration=1", "Amplitude=0", "colour 0", "channels -- in", "play"}},
        LineCase{"MultiToneKeepsTheChannels", "multitone 2 -6 60:4,7000:1",
                 {"page MultiTone", "Duration=2", "Amplitude=-6", "ToneList=60:4,7000:1", "play"}},
        LineCase{"BurstInAHannWindow", "burst 31.5 6.5 1 12 -10",
                 {"page Burst", "BurstFrequency=31.5", "BurstCycles=6.5", "BurstPeriod=1", "Duration=12",
                  "Amplitude=-10", "window 0", "play"}},
        LineCase{"RectangularBurst", "burst 1000 10 0.5 3 -20 rect",
                 {"page Burst", "BurstFrequency=1000", "BurstCycles=10", "BurstPeriod=0.5", "Duration=3",
                  "Amplitude=-20", "window 1", "play"}},
        LineCase{"SpeakersInStereo", "speakers FR", {"speakers FR"}},
        LineCase{"AllSpeakersInAnyCase", "speakers ALL", {"speakers FL FR"}},
        LineCase{"Pause", "pause", {"pause: Pause in script. Press OK to continue"}},
        LineCase{"Fade", "fade 20", {"fade 20"}},
        LineCase{"IndependentNoise", "noisechannels independent", {"independent"}},
        LineCase{"NoiseAlike", "noisechannels same", {"same"}},
        LineCase{"DtmfWithItsUsualTimes", "dtmf 555*0# -10",
                 {"page Dtmf", "DtmfDigits=555*0#", "Amplitude=-10", "DtmfToneMs=100", "DtmfGapMs=70", "play"}},
        LineCase{"DtmfWithItsOwnTimes", "dtmf 1 0 40 40",
                 {"page Dtmf", "DtmfDigits=1", "Amplitude=0", "DtmfToneMs=40", "DtmfGapMs=40", "play"}},
        LineCase{"RemarkDoesNothing", "rem a b c d e f g h i j", {}}),
    [](const auto& test) { return std::string(test.param.name); });

struct ErrorCase {
  const char* name;
  const char* line;
  const char* message;
};

class ScriptErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScriptErrorTest, StopsTheRunAtItsLine) {
  RecordingHost host;
  ScriptFile file = Script(std::string(GetParam().line) + "\r\nend\r\n");
  try {
    ScriptRun(file, host).Run();
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  EXPECT_NE(host.calls.back(), "end");
  EXPECT_FALSE(host.logarithmic);  // a failed logsweep gives the box back
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptErrorTest,
    ::testing::Values(ErrorCase{"UnknownColour", "noise purple 1 0", "'purple' is not a valid noise colour"},
                      ErrorCase{"ColoursAreLowerCase", "noise Pink 1 0", "'Pink' is not a valid noise colour"},
                      ErrorCase{"MissingColour", "noise", "'' is not a valid noise colour"},
                      ErrorCase{"LogSweepWaveForm", "logsweep 20 20000 1 0 x", "'x' is not a valid integer value"},
                      ErrorCase{"SpeakerOutsideTheLayout", "speakers FL,LFE", "'LFE' is not a speaker of the Stereo layout"},
                      ErrorCase{"NoSpeakerList", "speakers", "'' is not a speaker position"},
                      ErrorCase{"SpeakerListWithASpace", "speakers FL, FR", "'' is not a speaker position"},
                      ErrorCase{"BurstWindowsAreLowerCase", "burst 50 6.5 1 3 0 Hann", "'Hann' is not a valid burst window"},
                      ErrorCase{"UnknownBurstWindow", "burst 50 6.5 1 3 0 blackman",
                                "'blackman' is not a valid burst window"},
                      ErrorCase{"DelayText", "delay abc", "'abc' is not a valid floating point value"},
                      ErrorCase{"NoiseChannelsWord", "noisechannels both",
                                "'both' is not a valid noise channels word (same or independent)"},
                      ErrorCase{"FadeBeyondASecond", "fade 2000", "'2000' is not a valid fade (whole milliseconds, 0 to 1000)"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ScriptRunTest, NewWordsAreCaseSensitiveCommands) {
  EXPECT_EQ(RunLines("Noise pink 1 0\r\n"), (Calls{"line 1 Noise", "invalid: Invalid command in line 1"}));
  EXPECT_EQ(RunLines("LogSweep 1 2 3 4 0\r\n"), (Calls{"line 1 LogSweep", "invalid: Invalid command in line 1"}));
}

TEST(ScriptRunTest, ASpeakerListIsReadAgainstTheHostsLayout) {
  RecordingHost host;
  host.layout = SpeakerLayoutId::FivePointOne;
  EXPECT_EQ(RunLines("speakers lfe,FC\r\nspeakers all\r\nend\r\n", host),
            (Calls{"line 1 speakers", "speakers FC LFE", "line 2 speakers", "speakers FL FR FC LFE RL RR", "line 3 end", "end"}));
  ScriptFile file = Script("speakers FL,SL\r\n");
  EXPECT_THROW(
      try { ScriptRun(file, host).Run(); } catch (const AppError& error) {
        EXPECT_STREQ(error.what(), "'SL' is not a speaker of the 5.1 layout");
        throw;
      },
      AppError);
}

TEST(ScriptRunTest, ALogSweepLeavesATickedBoxTicked) {
  RecordingHost host;
  host.logarithmic = true;  // a logarithmic memory was recalled before the run
  ScriptFile file = Script("logsweep 20 20000 1 0 0\r\nsweep 20 20000 1 0 0\r\nend\r\n");
  ScriptRun(file, host).Run();
  EXPECT_TRUE(host.logarithmic);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "play log"), 2);
}

class ScriptDelayTest : public ::testing::TestWithParam<DelayCase> {};

// At least one pass, then until passes >= seconds * 10.
TEST_P(ScriptDelayTest, MakesItsPasses) {
  const Calls calls = RunLines(std::string("delay ") + GetParam().seconds + "\r\nend\r\n");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "pass"), GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(Times, ScriptDelayTest, kDelayCases, DelayCaseName);

TEST(ScriptRunTest, ADelayEndsWhenAPassIsRefused) {
  RecordingHost host;
  host.delayPassesLeft = 2;
  const Calls calls = RunLines("delay 100\r\nend\r\n", host);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "pass"), 3);  // the third pass says stop
  EXPECT_EQ(calls.back(), "end");
}

TEST(ScriptRunTest, RepeatStartsOverAndCountsFromOneAgain) {
  RecordingHost host;
  host.linesLeft = 5;
  EXPECT_EQ(RunLines("rem\r\nrepeat\r\n", host),
            (Calls{"line 1 rem", "line 2 repeat", "start over after 2", "line 1 rem", "line 2 repeat",
                   "start over after 2", "line 1 rem"}));
}

TEST(ScriptRunTest, RunningOffTheEndIsAnInvalidCommandOnTheNextLine) {
  EXPECT_EQ(RunLines("rem\r\n"), (Calls{"line 1 rem", "line 2 ", "invalid: Invalid command in line 2"}));
}

// Words keep their bytes up to the longest line; beyond it the run stops
// rather than hold an endless line.
TEST(ScriptRunTest, ALineOverOneMebibyteStopsTheRun) {
  const std::string longest = "rem " + std::string(kLongestScriptLine - 4, 'x');
  EXPECT_EQ(RunLines(longest + "\r\nend\r\n").back(), "end");
  RecordingHost host;
  ScriptFile file = Script("rem\r\n" + longest + "x\r\nend\r\n");
  try {
    ScriptRun(file, host).Run();
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "Line 2 is longer than 1 MiB: no script line is that long");
  }
}

TEST(ScriptRunTest, AHostThatIsNotReadyRunsNothing) {
  RecordingHost host;
  host.linesLeft = 0;
  EXPECT_TRUE(RunLines("tone 1000 1 0 0\r\n", host).empty());
}

}  // namespace
}  // namespace sondrel
