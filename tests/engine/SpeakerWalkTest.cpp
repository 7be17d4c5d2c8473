// The walk round the room on a recording device: its order, each speaker's
// name on that speaker alone, the signal on it alone, and its stop.
#include "engine/SpeakerWalk.h"

#include <gtest/gtest.h>

#include "engine/AppError.h"
#include "engine/Playback.h"
#include "platform/RecordingWaveOut.h"
#include "tests/engine/FakeEngineWindow.h"

namespace sondrel {
namespace {

struct OrderCase {
  SpeakerLayoutId layout;
  std::vector<Speaker> order;
};

class WalkOrderTest : public ::testing::TestWithParam<OrderCase> {};

// Clockwise from the front left as the listener sees the room, the
// subwoofer last.
TEST_P(WalkOrderTest, GoesClockwiseFromTheFrontLeftAndEndsOnTheSubwoofer) {
  EXPECT_EQ(WalkOrder(LayoutOf(GetParam().layout)), GetParam().order);
}

using S = Speaker;
INSTANTIATE_TEST_SUITE_P(
    Layouts, WalkOrderTest,
    ::testing::Values(OrderCase{SpeakerLayoutId::Stereo, {S::FL, S::FR}},
                      OrderCase{SpeakerLayoutId::TwoPointOne, {S::FL, S::FR, S::LFE}},
                      OrderCase{SpeakerLayoutId::Quad, {S::FL, S::FR, S::RR, S::RL}},
                      OrderCase{SpeakerLayoutId::FivePointOne, {S::FL, S::FC, S::FR, S::RR, S::RL, S::LFE}},
                      OrderCase{SpeakerLayoutId::SevenPointOne,
                                {S::FL, S::FC, S::FR, S::SR, S::RR, S::RL, S::SL, S::LFE}}));

// A host that waits at once and can stop the walk at a given speaker.
class TestHost : public WalkHost {
 public:
  std::vector<Speaker> announced;
  std::optional<Speaker> stopAt;  // the walk is stopped while this speaker plays
  bool withVoices = true;

  void Announce(Speaker speaker) override { announced.push_back(speaker); }
  std::optional<MonoClip> VoiceOf(Speaker speaker) override {
    if (!withVoices || speaker == Speaker::LFE) return std::nullopt;
    return MonoClip{{1000, -2000, 3000}, 48000};
  }
  bool Wait(int, const std::function<bool()>&) override {
    return !(stopAt && announced.back() == *stopAt);
  }
};

class SpeakerWalkTest : public ::testing::Test {
 protected:
  SpeakerWalkTest() {
    window.panel.Loop = true;
    window.panel.fEdit = "441";  // 100 frames a period at 44100
    waveOut.finishAtOnce = true;
    playback.Speakers = SpeakerLayoutId::FivePointOne;
    playback.ChosenSpeakers = SpeakerBit(Speaker::FC) | SpeakerBit(Speaker::RL);
  }

  // The Write calls' buffers, as frames of the layout's channels.
  std::vector<const RecordingWaveOut::Call*> Writes() const {
    std::vector<const RecordingWaveOut::Call*> writes;
    for (const auto& call : waveOut.calls) {
      if (call.operation == "Write") writes.push_back(&call);
    }
    return writes;
  }
  // The channels of a write's buffer that hold any sound.
  static std::vector<int> SoundingChannels(const RecordingWaveOut::Call& write, int channels) {
    const auto* samples = reinterpret_cast<const int16_t*>(write.buffer.data());
    const size_t count = write.buffer.size() / 2;
    std::vector<int> sounding;
    for (int channel = 0; channel < channels; ++channel) {
      for (size_t at = channel; at < count; at += channels) {
        if (samples[at] != 0) {
          sounding.push_back(channel);
          break;
        }
      }
    }
    return sounding;
  }

  FakeEngineWindow window;
  RecordingWaveOut waveOut;
  Playback playback{waveOut, window};
  TestHost host;
};

// In 5.1 (FL FR FC LFE RL RR): each speaker's name once on its own channel
// at the recording's rate, then the signal on that channel alone; the
// subwoofer has no recording and gets the signal only.
TEST_F(SpeakerWalkTest, EachSpeakerHearsItsNameAndThenTheSignalAlone) {
  window.panel.WaveDevice = 1;
  EXPECT_TRUE(SpeakerWalk(playback, waveOut, host).Run(1));
  EXPECT_EQ(host.announced, WalkOrder(LayoutOf(SpeakerLayoutId::FivePointOne)));
  const std::vector<const RecordingWaveOut::Call*> writes = Writes();
  ASSERT_EQ(writes.size(), 11u);  // five names and six signals
  const std::vector<int> channelOf = {0, 2, 1, 5, 4, 3};  // FL FC FR RR RL LFE
  size_t write = 0;
  for (size_t step = 0; step < channelOf.size(); ++step) {
    if (step < 5) {
      EXPECT_EQ(writes[write]->loops, 1u);
      EXPECT_EQ(writes[write]->buffer.size(), 3u * 6 * 2);
      EXPECT_EQ(SoundingChannels(*writes[write], 6), std::vector<int>{channelOf[step]}) << "name " << step;
      ++write;
    }
    EXPECT_EQ(writes[write]->loops, kLoopForever);
    EXPECT_EQ(SoundingChannels(*writes[write], 6), std::vector<int>{channelOf[step]}) << "signal " << step;
    ++write;
  }
  std::vector<int32_t> rates;
  for (const auto& call : waveOut.calls) {
    if (call.operation == "Open") {
      EXPECT_EQ(call.device, 1);
      EXPECT_EQ(call.format.nChannels, 6);
      rates.push_back(static_cast<int32_t>(call.format.nSamplesPerSec));
    }
  }
  EXPECT_EQ(rates, (std::vector<int32_t>{48000, 44100, 48000, 44100, 48000, 44100, 48000, 44100, 48000, 44100,
                                         44100}));
  EXPECT_FALSE(playback.Playing);
  EXPECT_FALSE(waveOut.IsOpen());
  EXPECT_EQ(playback.ChosenSpeakers, SpeakerBit(Speaker::FC) | SpeakerBit(Speaker::RL));  // as chosen before
}

// A stop during a speaker's signal ends the walk there, with no tone on and
// the choice of speakers as it was; without recordings the names are shown
// alone.
TEST_F(SpeakerWalkTest, AStopEndsTheWalkAtOnceAndKeepsTheChoice) {
  host.withVoices = false;
  host.stopAt = Speaker::FR;
  EXPECT_FALSE(SpeakerWalk(playback, waveOut, host).Run(0));
  EXPECT_EQ(host.announced, (std::vector<Speaker>{S::FL, S::FC, S::FR}));
  EXPECT_EQ(Writes().size(), 3u);
  EXPECT_FALSE(playback.Playing);
  EXPECT_FALSE(waveOut.IsOpen());
  EXPECT_EQ(playback.ChosenSpeakers, SpeakerBit(Speaker::FC) | SpeakerBit(Speaker::RL));
}

// In Stereo the walk is the Left channel, then the Right; the boxes' gains
// are kept.
TEST_F(SpeakerWalkTest, InStereoTheWalkIsLeftThenRight) {
  playback.Speakers = SpeakerLayoutId::Stereo;
  playback.RightGain = 0;
  EXPECT_TRUE(SpeakerWalk(playback, waveOut, host).Run(0));
  const std::vector<const RecordingWaveOut::Call*> writes = Writes();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(SoundingChannels(*writes[0], 2), std::vector<int>{0});
  EXPECT_EQ(SoundingChannels(*writes[1], 2), std::vector<int>{0});
  EXPECT_EQ(SoundingChannels(*writes[2], 2), std::vector<int>{1});
  EXPECT_EQ(SoundingChannels(*writes[3], 2), std::vector<int>{1});
  EXPECT_EQ(playback.Gains().LeftGain, 1);
  EXPECT_EQ(playback.Gains().RightGain, 0);
}

// A device that will not open ends the walk with its reason.
TEST_F(SpeakerWalkTest, ADeviceThatWillNotOpenIsReported) {
  waveOut.openFailure = "The device is busy";
  try {
    SpeakerWalk(playback, waveOut, host).Run(0);
    ADD_FAILURE() << "the walk went on";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "The device is busy");
  }
  EXPECT_FALSE(playback.Playing);
}

}  // namespace
}  // namespace sondrel
