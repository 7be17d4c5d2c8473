// A render in a speaker layout: each signal, exactly as the stereo render
// makes it in mono, on the speakers a script's "speakers" line chose and
// silence on every other; the right-hand speakers inverted out of phase.
#include "script/ScriptRenderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/PcmBuffer.h"
#include "engine/Synthesis.h"
#include "platform/PlayFade.h"
#include "script/ScriptFile.h"

namespace sondrel {
namespace {

std::vector<int16_t> Render(const std::string& text, SpeakerLayoutId layout, int* channels) {
  ScriptFile file(std::vector<uint8_t>(text.begin(), text.end()));
  RenderSettings settings;
  settings.signal.speakers = layout;
  ScriptRenderer renderer(file, settings);
  *channels = renderer.Channels();
  std::vector<int16_t> samples;
  renderer.Render(*channels, ScriptRenderer::SampleWriter<int16_t>([&](const int16_t* values, size_t frames) {
    samples.insert(samples.end(), values, values + frames * static_cast<size_t>(*channels));
  }));
  return samples;
}

struct PlacementCase {
  SpeakerLayoutId layout;
  Speaker speaker;
};

class SpeakerPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(SpeakerPlacementTest, TheSignalPlaysOnTheChosenSpeakerAlone) {
  const SpeakerLayout& layout = LayoutOf(GetParam().layout);
  const std::string line = "tone 997 0.05 -3 0 L xyz\r\nsweep 20 2000 0.05 -9 2\r\nnoise pink 0.05 -20\r\nend\r\n";
  int monoChannels = 0;
  const std::vector<int16_t> mono = Render("tone 997 0.05 -3 0\r\nsweep 20 2000 0.05 -9 2\r\nnoise pink 0.05 -20\r\nend\r\n",
                                           SpeakerLayoutId::Stereo, &monoChannels);
  ASSERT_EQ(monoChannels, 1);
  int channels = 0;
  const std::vector<int16_t> placed =
      Render(std::string("speakers ") + SpeakerName(GetParam().speaker) + "\r\n" + line, GetParam().layout, &channels);
  ASSERT_EQ(channels, layout.Channels());
  ASSERT_EQ(placed.size(), mono.size() * static_cast<size_t>(channels));
  // Out of phase (the tone's "xyz") a right-hand speaker plays it inverted.
  const size_t toneFrames = 8820 + 2205;
  for (size_t channel = 0; channel < static_cast<size_t>(channels); ++channel) {
    const bool chosen = layout.speakers[channel] == GetParam().speaker;
    size_t wrong = 0;
    for (size_t frame = 0; frame < mono.size(); ++frame) {
      const int sign = frame < toneFrames && RightHand(GetParam().speaker) ? -1 : 1;
      const int expected = chosen ? sign * mono[frame] : 0;
      if (placed[frame * channels + channel] != expected) ++wrong;
    }
    EXPECT_EQ(wrong, 0u) << SpeakerName(layout.speakers[channel]);
  }
}

std::vector<PlacementCase> EveryPosition() {
  std::vector<PlacementCase> cases;
  for (const SpeakerLayout& layout : SpeakerLayouts()) {
    if (!layout.Surround()) continue;
    for (Speaker speaker : layout.speakers) cases.push_back({layout.id, speaker});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Layouts, SpeakerPlacementTest, ::testing::ValuesIn(EveryPosition()), [](const auto& test) {
  std::string name = std::string(LayoutOf(test.param.layout).word) + "_" + SpeakerName(test.param.speaker);
  for (char& c : name) c = c == '.' ? 'p' : c;
  return name;
});

// Until a "speakers" line, every speaker of the layout plays; in Stereo the
// list chooses the left and right channels, so a render stays as it was.
TEST(ScriptRendererTest, EverySpeakerPlaysUntilAListChoosesAndStereoKeepsItsChannels) {
  int channels = 0;
  const std::vector<int16_t> all = Render("tone 440 0.05 -6 0\r\nend\r\n", SpeakerLayoutId::SevenPointOne, &channels);
  ASSERT_EQ(channels, 8);
  for (size_t frame = 8820; frame < all.size() / 8; ++frame) {
    for (size_t channel = 1; channel < 8; ++channel) ASSERT_EQ(all[frame * 8 + channel], all[frame * 8]) << frame;
  }
  // A sweep keeps the channel boxes, which the list set.
  const std::vector<int16_t> left =
      Render("speakers FL\r\nsweep 100 900 0.05 -6 0\r\nend\r\n", SpeakerLayoutId::Stereo, &channels);
  ASSERT_EQ(channels, 2);
  int monoChannels = 0;
  const std::vector<int16_t> mono = Render("sweep 100 900 0.05 -6 0\r\nend\r\n", SpeakerLayoutId::Stereo, &monoChannels);
  ASSERT_EQ(left.size(), mono.size() * 2);
  for (size_t frame = 0; frame < mono.size(); ++frame) {
    ASSERT_EQ(left[frame * 2], mono[frame]) << frame;
    ASSERT_EQ(left[frame * 2 + 1], 0) << frame;
  }
}

// "fade" fades every play after it, the start pause aside, and "fade 0"
// gives the signals their edges back: each play is the unfaded one times
// its fade's factors.
TEST(ScriptRendererTest, AFadeLineFadesThePlaysAfterIt) {
  const std::string lines[] = {"tone 1000 0.1 -6 0\r\n", "sweep 100 900 0.05 -6 0\r\n", "tone 1000 0.1 -6 0\r\n"};
  int channels = 0;
  const std::vector<int16_t> plain = Render(lines[0] + lines[1] + lines[2] + "end\r\n", SpeakerLayoutId::Stereo, &channels);
  int fadedChannels = 0;
  const std::vector<int16_t> faded = Render("fade 10\r\n" + lines[0] + lines[1] + "fade 0\r\n" + lines[2] + "end\r\n",
                                            SpeakerLayoutId::Stereo, &fadedChannels);
  ASSERT_EQ(fadedChannels, channels);
  ASSERT_EQ(faded.size(), plain.size());
  // {first frame, frames, fade frames} of each play, after the tones' 200 ms pauses.
  const struct {
    size_t first, frames;
    uint32_t fade;
  } plays[] = {{8820, 4410, 441}, {13230, 2205, 441}, {15435 + 8820, 4410, 0}};
  ASSERT_EQ(plain.size() / static_cast<size_t>(channels), 15435u + 8820 + 4410);
  size_t frame = 0;
  for (const auto& play : plays) {
    for (; frame < play.first; ++frame) ASSERT_EQ(faded[frame * channels], plain[frame * channels]) << frame;
    const PlayFade fade(play.fade, play.frames);
    for (size_t n = 0; n < play.frames; ++n, ++frame) {
      for (size_t channel = 0; channel < static_cast<size_t>(channels); ++channel) {
        int16_t expected = plain[frame * channels + channel];
        fade.Apply(&expected, 1, 1, n);
        ASSERT_EQ(faded[frame * channels + channel], expected) << "frame " << n << " of the play at " << play.first;
      }
    }
  }
  EXPECT_EQ(faded[8820 * channels], 0);
  EXPECT_EQ(faded[(8820 + 4409) * channels], 0);
  EXPECT_EQ(faded[(8820 + 441) * channels], plain[(8820 + 441) * channels]);
}

// Independent noise on a surround layout: each speaker its own noise, laid
// out as it is made; FL's is the noise of both-alike.
TEST(ScriptRendererTest, IndependentNoiseGivesEverySpeakerItsOwn) {
  int channels = 0;
  const std::vector<int16_t> alike = Render("speakers FL\r\nnoise white 0.5 -20\r\nend\r\n", SpeakerLayoutId::Quad, &channels);
  ASSERT_EQ(channels, 4);
  const std::vector<int16_t> own =
      Render("noisechannels independent\r\nnoise white 0.5 -20\r\nend\r\n", SpeakerLayoutId::Quad, &channels);
  ASSERT_EQ(own.size(), alike.size());
  ASSERT_EQ(own.size() / 4, 8820u + 22050);
  size_t differ = 0;
  for (size_t frame = 8820; frame < own.size() / 4; ++frame) {
    ASSERT_EQ(own[frame * 4], alike[frame * 4]) << frame;
    differ += own[frame * 4 + 1] != own[frame * 4] && own[frame * 4 + 2] != own[frame * 4 + 3];
  }
  EXPECT_GT(differ, 22050u * 9 / 10);
}

// A dtmf line plays like a tone line: the start pause, then its keys once.
TEST(ScriptRendererTest, ADtmfLineRendersItsKeysAfterTheStartPause) {
  int channels = 0;
  const std::vector<int16_t> rendered = Render("dtmf 1#9 -12 40 30\r\nend\r\n", SpeakerLayoutId::Stereo, &channels);
  PanelState keys;
  keys.SignalType = SignalPage::Dtmf;
  keys.DtmfDigits = "1#9";
  keys.DtmfToneMs = "40";
  keys.DtmfGapMs = "30";
  keys.Amplitude = "-12";
  PcmBuffer buffer;
  SynthesizeSignal(keys, {}, buffer);
  const auto* expected = reinterpret_cast<const int16_t*>(buffer.Data());
  const size_t frames = buffer.Size() / 2;
  ASSERT_EQ(frames, 3u * (1764 + 1323));
  ASSERT_EQ(rendered.size(), (8820 + frames) * static_cast<size_t>(channels));
  for (size_t frame = 0; frame < 8820; ++frame) ASSERT_EQ(rendered[frame * channels], 0) << frame;
  for (size_t frame = 0; frame < frames; ++frame) {
    ASSERT_EQ(rendered[(8820 + frame) * channels], expected[frame]) << frame;
  }
}

}  // namespace
}  // namespace sondrel
