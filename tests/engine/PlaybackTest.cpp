#include "engine/Playback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "platform/RecordingWaveOut.h"
#include "tests/engine/FakeEngineWindow.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

using Operations = std::vector<std::string>;

class PlaybackTest : public ::testing::Test {
 protected:
  PlaybackTest() {
    waveOut.deviceNames = {"First", "Second"};
    // A one-shot tone ends once the "device" has played it: the first
    // message pass inside the wait finishes it unless a test says otherwise.
    window.onMessages = [this](int) { waveOut.FinishPlaying(); };
  }

  void ExpectIdle() {
    EXPECT_FALSE(playback.Playing);
    EXPECT_EQ(window.caption, "ON");
    EXPECT_TRUE(window.waveDeviceEnabled);
    EXPECT_TRUE(playback.SampleStream.Empty());
    EXPECT_FALSE(waveOut.IsOpen());
  }

  std::string StartFails() {
    try {
      playback.StartTone();
    } catch (const AppError& error) {
      return error.what();
    }
    return "no error";
  }

  RecordingWaveOut waveOut;
  FakeEngineWindow window;
  Playback playback{waveOut, window};
};

struct LoopCase {
  const char* name;
  SignalPage page;
  const char* frequency;
  const char* duration;
  bool loop;
  bool alwaysStereo;
  uint32_t loops;
  size_t bytes;
};

class LoopCountTest : public PlaybackTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(LoopCountTest, QueuesTheBufferWithItsLoopCount) {
  const LoopCase& c = GetParam();
  window.panel.SignalType = c.page;
  window.panel.fEdit = c.frequency;
  window.panel.Duration = c.duration;
  window.panel.Loop = c.loop;
  window.panel.AlwaysStereo = c.alwaysStereo;
  playback.StartTone();
  const auto* write = waveOut.LastCall("Write");
  ASSERT_NE(write, nullptr);
  EXPECT_EQ(write->loops, c.loops);
  EXPECT_EQ(write->buffer.size(), c.bytes);
  EXPECT_EQ(write->flags & (WHDR_BEGINLOOP | WHDR_ENDLOOP), WHDR_BEGINLOOP | WHDR_ENDLOOP);
  const auto* open = waveOut.LastCall("Open");
  const uint16_t channels = c.alwaysStereo ? 2 : 1;
  EXPECT_EQ(open->format.wFormatTag, 1);
  EXPECT_EQ(open->format.nChannels, channels);
  EXPECT_EQ(open->format.nSamplesPerSec, 44100u);
  EXPECT_EQ(open->format.nAvgBytesPerSec, 88200u * channels);
  EXPECT_EQ(open->format.nBlockAlign, 2 * channels);
  EXPECT_EQ(open->format.wBitsPerSample, 16);
  EXPECT_EQ(open->format.cbSize, 0);
  EXPECT_EQ(playback.Playing, c.loop);  // a one-shot tone has ended when StartTone returns
  playback.StopTone();
  ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Counts, LoopCountTest,
    ::testing::Values(
        LoopCase{"OneSecond", SignalPage::Constant, "1000", "1", false, false, 100, 882},
        LoopCase{"OneSecondStereo", SignalPage::Constant, "1000", "1", false, true, 100, 1764},
        LoopCase{"TwoAndAHalf", SignalPage::Constant, "1000", "2.5", false, false, 250, 882},
        LoopCase{"HalfBuffersRoundDown", SignalPage::Constant, "997", "2.5", false, false, 2, 88200},
        LoopCase{"HalfBuffersRoundUp", SignalPage::Constant, "997", "1.5", false, false, 2, 88200},
        LoopCase{"TooShortForOneBuffer", SignalPage::Constant, "1000", "0.004", false, false, 0, 882},
        LoopCase{"NegativeDurationPlaysNothing", SignalPage::Constant, "1000", "-1", false, false, 0, 882},
        LoopCase{"SweepOnce", SignalPage::Sweep, "1000", "0.5", false, false, 1, 44100},
        LoopCase{"LoopingConstant", SignalPage::Constant, "1000", "1", true, false, kLoopForever, 882},
        LoopCase{"LoopingSweep", SignalPage::Sweep, "1000", "0.5", true, false, kLoopForever, 44100}),
    [](const auto& test) { return std::string(test.param.name); });

struct NoisePlayCase {
  const char* name;
  const char* duration;
  bool loop;
  ChannelGains gains;
  uint32_t loops;
  uint64_t playLimit;  // bytes
};

class NoisePlayTest : public PlaybackTest, public ::testing::WithParamInterface<NoisePlayCase> {};

// Noise plays its duration to the frame, within a pass of its 262144-frame
// period, after the same 200 ms pause as a constant tone.
TEST_P(NoisePlayTest, QueuesThePeriodForItsDuration) {
  const NoisePlayCase& c = GetParam();
  window.panel.SignalType = SignalPage::Noise;
  window.panel.Duration = c.duration;
  window.panel.Loop = c.loop;
  playback.LeftGain = c.gains.LeftGain;
  playback.RightGain = c.gains.RightGain;
  playback.PhaseSign = c.gains.PhaseSign;
  playback.StartTone();
  const auto* write = waveOut.LastCall("Write");
  ASSERT_NE(write, nullptr);
  const size_t frameBytes = StereoLayout(c.gains.LeftGain, c.gains.RightGain, c.gains.PhaseSign, false) ? 4 : 2;
  EXPECT_EQ(write->buffer.size(), 262144 * frameBytes);
  EXPECT_EQ(write->loops, c.loops);
  EXPECT_EQ(write->playLimit, c.playLimit);
  EXPECT_EQ(window.sleeps.front(), 200);
  EXPECT_EQ(PlayedFrames(window.panel, 262144), c.loop ? uint64_t{kLoopForever} * 262144 : c.playLimit / frameBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Durations, NoisePlayTest,
    ::testing::Values(NoisePlayCase{"OneSecond", "1", false, {1, 1, 1}, 1, 88200},
                      NoisePlayCase{"TenSecondsEndWithinTheSecondPass", "10", false, {1, 1, 1}, 2, 882000},
                      NoisePlayCase{"LeftOnlyIsStereo", "1", false, {1, 0, 1}, 1, 176400},
                      NoisePlayCase{"RoundedToAFrame", "0.0001", false, {1, 1, 1}, 1, 8},
                      NoisePlayCase{"UnderHalfAFramePlaysNothing", "0.00001", false, {1, 1, 1}, 0, 0},
                      NoisePlayCase{"NegativePlaysNothing", "-2", false, {1, 1, 1}, 0, 0},
                      NoisePlayCase{"LoopingHasNoLimit", "1", true, {1, 1, 1}, kLoopForever, 0}),
    [](const auto& test) { return std::string(test.param.name); });

// At 48000 frames a second the device is opened at that rate, and a
// constant tone's loop count is Round(Duration 48000 / frames).
TEST_F(PlaybackTest, AnotherRateOpensTheDeviceAtItAndCountsLoopsByIt) {
  window.panel.SampleRate = 48000;
  window.panel.Duration = "2.5";
  window.panel.Loop = false;
  window.panel.AlwaysStereo = true;
  playback.StartTone();
  const auto* open = waveOut.LastCall("Open");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->format.nSamplesPerSec, 48000u);
  EXPECT_EQ(open->format.nAvgBytesPerSec, 192000u);
  const auto* write = waveOut.LastCall("Write");
  EXPECT_EQ(write->buffer.size(), 48u * 4);  // 1000 Hz: 48 frames, one period
  EXPECT_EQ(write->loops, 2500u);
  PanelState noise;
  noise.SignalType = SignalPage::Noise;
  noise.Duration = "10";
  noise.Loop = false;
  noise.SampleRate = 48000;
  EXPECT_EQ(PlayedFrames(noise, 262144), 480000u);
  EXPECT_EQ(LoopCount(noise, 262144), 2u);
}

// The fade goes to the device in frames at the signal's rate; none by default.
TEST_F(PlaybackTest, TheFadeIsHandedToTheDeviceInFrames) {
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Write")->fadeFrames, 0u);
  playback.StopTone();
  window.panel.FadeMs = 20;
  window.panel.SampleRate = 48000;
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Write")->fadeFrames, 960u);
}

TEST_F(PlaybackTest, ASweepOrAToneHasNoPlayLimit) {
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Write")->playLimit, 0u);
  playback.StopTone();
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.Loop = false;
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Write")->playLimit, 0u);
}

TEST_F(PlaybackTest, TwoPressesSwitchOnAndOff) {
  playback.OnButtonClick();
  EXPECT_TRUE(playback.Playing);
  EXPECT_EQ(window.caption, "OFF");
  EXPECT_FALSE(window.waveDeviceEnabled);
  EXPECT_EQ(waveOut.Operations(), (Operations{"Open", "PrepareHeader", "Write"}));
  EXPECT_EQ(window.sleeps, std::vector<int>{200});  // the constant tone's start pause
  EXPECT_EQ(window.messagePasses, 0);                // a looping start does not wait

  playback.OnButtonClick();
  EXPECT_EQ(waveOut.Operations(),
            (Operations{"Open", "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close"}));
  ExpectIdle();
}

TEST_F(PlaybackTest, SweepStartsWithoutThePause) {
  window.panel.SignalType = SignalPage::Sweep;
  playback.StartTone();
  EXPECT_TRUE(window.sleeps.empty());
}

TEST_F(PlaybackTest, OpensTheChosenDeviceOrTheDefault) {
  window.panel.WaveDevice = 1;
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Open")->device, 1);
  playback.StopTone();
  window.panel.WaveDevice = -1;  // an empty device list
  playback.StartTone();
  EXPECT_EQ(waveOut.LastCall("Open")->device, WAVE_MAPPER);
}

TEST_F(PlaybackTest, StopToneWhileIdleMakesNoDeviceCall) {
  playback.StopTone();
  EXPECT_TRUE(waveOut.calls.empty());
  EXPECT_EQ(window.caption, "ON");
}

TEST_F(PlaybackTest, OneShotWaitProcessesMessagesThenSleepsUntilDone) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    EXPECT_TRUE(playback.Playing);
    EXPECT_EQ(window.caption, "OFF");
    EXPECT_FALSE(window.waveDeviceEnabled);
    if (pass == 4) waveOut.FinishPlaying();
  };
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 4);
  EXPECT_EQ(window.sleeps, (std::vector<int>{200, 50, 50, 50, 50}));
  ExpectIdle();
}

// The window ends each 50 ms sleep as soon as the buffer is done, so the
// next line of a script starts when the last frame has played.
TEST_F(PlaybackTest, AOneShotWaitSleepsUntilTheBufferIsDone) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    if (pass == 2) waveOut.FinishPlaying();
  };
  playback.StartTone();
  EXPECT_EQ(window.doneAtSleep, (std::vector<bool>{false, true}));
  ExpectIdle();
}

TEST_F(PlaybackTest, TheWaitRunsAtLeastOnceEvenWhenAlreadyDone) {
  window.panel.Loop = false;
  window.panel.Duration = "0";  // a loop count of 0 is done at once
  window.onMessages = nullptr;
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 1);
  ExpectIdle();
}

TEST_F(PlaybackTest, StopRequestedEndsTheWait) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    if (pass == 3) playback.StopRequested = true;
  };
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 3);
  ExpectIdle();
  EXPECT_TRUE(playback.StopRequested);  // only the next start clears it
  window.panel.Loop = true;
  playback.StartTone();
  EXPECT_FALSE(playback.StopRequested);
}

TEST_F(PlaybackTest, StopToneInsideTheWaitEndsItWithoutASecondStop) {
  window.panel.Loop = false;
  window.onMessages = [this](int) { playback.OnButtonClick(); };  // the user presses "OFF"
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 1);
  EXPECT_EQ(waveOut.Operations(),
            (Operations{"Open", "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close"}));
  ExpectIdle();
}

TEST_F(PlaybackTest, NestedLoopingRestartKeepsTheOuterWaitUntilStopped) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    if (pass == 1) {  // a retune while waiting: stop, then start with Loop now set
      window.panel.Loop = true;
      playback.StopTone();
      playback.OnButtonClick();
    }
    if (pass == 5) playback.StopTone();
  };
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 5);
  EXPECT_EQ(waveOut.Operations(),
            (Operations{"Open", "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close", "Open",
                        "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close"}));
  ExpectIdle();
}

TEST_F(PlaybackTest, NestedOneShotRestartEndsBothWaits) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    if (pass == 1) {
      playback.StopTone();
      playback.OnButtonClick();  // waits for its own end inside this pass
    }
    if (pass == 3) waveOut.FinishPlaying();
  };
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 3);  // passes 2 and 3 belong to the nested wait
  ExpectIdle();
  EXPECT_EQ(waveOut.Operations().size(), 12u);  // two complete tones, no stray calls
}

TEST_F(PlaybackTest, QuittingApplicationEndsTheWait) {
  window.panel.Loop = false;
  window.onMessages = [this](int pass) {
    if (pass == 2) window.quitting = true;
  };
  playback.StartTone();
  EXPECT_EQ(window.messagePasses, 2);
  ExpectIdle();
}

struct FailureCase {
  const char* name;
  void (*setUp)(FakeEngineWindow&, RecordingWaveOut&);
  const char* message;
  Operations operations;
};

class FailedStartTest : public PlaybackTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedStartTest, LeavesEverythingIdle) {
  GetParam().setUp(window, waveOut);
  EXPECT_EQ(StartFails(), GetParam().message);
  EXPECT_EQ(waveOut.Operations(), GetParam().operations);
  ExpectIdle();
  // The engine is usable again at once.
  window.panel = PanelState{};
  waveOut.openFailure.clear();
  waveOut.writeFailure.clear();
  playback.OnButtonClick();
  EXPECT_TRUE(playback.Playing);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedStartTest,
    ::testing::Values(
        FailureCase{"BadFrequency", [](FakeEngineWindow& w, RecordingWaveOut&) { w.panel.fEdit = "1k"; },
                    "'1k' is not a valid floating point value", {}},
        FailureCase{"BadAmplitude", [](FakeEngineWindow& w, RecordingWaveOut&) { w.panel.Amplitude = "-3.5"; },
                    "'-3.5' is not a valid integer value", {}},
        FailureCase{"BadDurationOfOneShotTone",
                    [](FakeEngineWindow& w, RecordingWaveOut&) {
                      w.panel.Loop = false;
                      w.panel.Duration = "long";
                    },
                    "'long' is not a valid floating point value", {}},
        FailureCase{"EmptyBufferOneShot",
                    [](FakeEngineWindow& w, RecordingWaveOut&) {
                      w.panel.Loop = false;
                      w.panel.LongBuffer = true;
                      w.panel.fEdit = "-1000";
                    },
                    "Floating point division by zero", {}},
        FailureCase{"EmptyBufferZeroDuration",
                    [](FakeEngineWindow& w, RecordingWaveOut&) {
                      w.panel.Loop = false;
                      w.panel.LongBuffer = true;
                      w.panel.fEdit = "9000000";
                      w.panel.Duration = "0";
                    },
                    "Invalid floating point operation", {}},
        FailureCase{"DeviceWillNotOpen",
                    [](FakeEngineWindow&, RecordingWaveOut& o) { o.openFailure = "Device or resource busy"; },
                    "Device or resource busy", {"Open"}},
        FailureCase{"BufferNotQueued",
                    [](FakeEngineWindow&, RecordingWaveOut& o) { o.writeFailure = "No memory"; },
                    "No memory", {"Open", "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(PlaybackTest, ChannelGlobalsChooseTheLayout) {
  playback.LeftGain = 0;
  playback.StartTone();
  const auto* write = waveOut.LastCall("Write");
  EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 2);
  ASSERT_EQ(write->buffer.size(), 1764u);
  for (size_t i = 0; i < write->buffer.size(); i += 4) {
    ASSERT_EQ(write->buffer[i], 0);
    ASSERT_EQ(write->buffer[i + 1], 0);
  }
}

// In a surround layout the device gets the layout's channels: the mono
// signal on the chosen speakers, the right-hand one inverted out of phase,
// and zeros elsewhere; a constant tone and a sweep (spread as it is made)
// alike. The Left box does not count there.
TEST_F(PlaybackTest, ASurroundLayoutPlacesTheMonoSignalOnTheChosenSpeakers) {
  for (const SignalPage page : {SignalPage::Constant, SignalPage::Sweep}) {
    window.panel.SignalType = page;
    window.panel.AlwaysStereo = true;
    PcmBuffer mono;
    PanelState monoPanel = window.panel;
    monoPanel.AlwaysStereo = false;
    SynthesizeSignal(monoPanel, {1, 1, 1}, mono);
    playback.LeftGain = 0;
    playback.PhaseSign = -1;
    playback.Speakers = SpeakerLayoutId::FivePointOne;
    playback.ChosenSpeakers = SpeakerBit(Speaker::FC) | SpeakerBit(Speaker::RR);
    playback.StartTone();
    EXPECT_EQ(waveOut.LastCall("Open")->format.nChannels, 6);
    EXPECT_EQ(waveOut.LastCall("Open")->format.nBlockAlign, 12);
    // The sweep's buffer is complete once its synthesis and spread end.
    const PcmBuffer& played = playback.SampleStream;
    for (int wait = 0; wait < 5000 && playback.WaveHeader.lpReady != nullptr &&
                       playback.WaveHeader.lpReady->load() < played.Size();
         ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(played.Size(), mono.Size() * 6);
    const auto* in = reinterpret_cast<const int16_t*>(mono.Data());
    const auto* out = reinterpret_cast<const int16_t*>(played.Data());
    const std::vector<int> expected = {0, 0, 1, 0, 0, -1};
    for (size_t frame = 0; frame < mono.Size() / 2; ++frame) {
      for (size_t channel = 0; channel < 6; ++channel) {
        ASSERT_EQ(out[frame * 6 + channel], expected[channel] * in[frame]) << frame << " " << channel;
      }
    }
    playback.StopTone();
  }
}

TEST_F(PlaybackTest, ALostDeviceEndsAOneShotWaitWithItsReason) {
  window.panel.Loop = false;
  window.panel.Duration = "30";
  window.onMessages = [this](int pass) {
    EXPECT_TRUE(playback.Waiting());
    if (pass == 3) waveOut.lostReason = "The sound device \"USB\" was lost: it was unplugged or removed";
  };
  EXPECT_EQ(StartFails(), "The sound device \"USB\" was lost: it was unplugged or removed");
  EXPECT_EQ(window.messagePasses, 3);
  EXPECT_FALSE(playback.Waiting());
  ExpectIdle();
}

TEST_F(PlaybackTest, CheckDeviceEndsALoopingToneOnlyWhenItsDeviceIsGone) {
  window.panel.Loop = true;
  playback.StartTone();
  EXPECT_FALSE(playback.Waiting());
  playback.CheckDevice();  // still there: nothing happens
  EXPECT_TRUE(playback.Playing);
  waveOut.lostReason = "gone";
  EXPECT_THROW(playback.CheckDevice(), AppError);
  ExpectIdle();
  EXPECT_NO_THROW(playback.CheckDevice());  // idle: nothing to check
}

TEST_F(PlaybackTest, ThePointerIsBusyWhileTheSignalIsSynthesized) {
  window.panel.Loop = true;
  playback.StartTone();
  EXPECT_EQ(window.busyChanges, (std::vector<bool>{true, false}));
  playback.StopTone();
  window.panel.fEdit = "not a number";  // the synthesis fails: the pointer is given back all the same
  StartFails();
  EXPECT_EQ(window.busyChanges, (std::vector<bool>{true, false, true, false}));
}

// A long sweep starts once its first part is ready; the device gets the
// same bytes as a synthesis to the end would give.
TEST_F(PlaybackTest, ALongSweepPlaysWhileItsRestIsSynthesized) {
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "20";
  window.panel.fFinal = "20000";
  window.panel.Duration = "100";
  window.panel.Loop = true;
  playback.StartTone();
  ASSERT_NE(playback.WaveHeader.lpReady, nullptr);
  EXPECT_GE(playback.WaveHeader.lpReady->load(), kHeadStartSeconds * 44100 * 2);
  PcmBuffer whole;
  SynthesizeSignal(window.panel, playback.Gains(), whole);
  const std::vector<uint8_t>& played = waveOut.LastCall("Write")->buffer;  // recorded once complete
  ASSERT_EQ(played.size(), whole.Size());
  EXPECT_TRUE(std::equal(played.begin(), played.end(), whole.Data()));
  playback.StopTone();
  ExpectIdle();
}

TEST_F(PlaybackTest, AShortSweepIsCompleteBeforeItPlays) {
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.Duration = "2";
  window.panel.Loop = true;
  playback.StartTone();
  ASSERT_NE(playback.WaveHeader.lpReady, nullptr);
  EXPECT_EQ(playback.WaveHeader.lpReady->load(), playback.SampleStream.Size());
  playback.StopTone();
}

}  // namespace
}  // namespace sondrel
