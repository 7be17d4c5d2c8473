// The notes on lines that will not sound as written.
#include "engine/SoundNotes.h"
#include "tests/support/PanelStates.h"

#include <gtest/gtest.h>

namespace sondrel {
namespace {

struct NoteCase {
  const char* name;
  PanelState panel;
  ChannelGains gains;
  SpeakerLayoutId layout;
  SpeakerSet speakers;
  std::vector<std::string> notes;
};
void PrintTo(const NoteCase& c, std::ostream* out) { *out << c.name; }

PanelState Tone(const char* f, const char* duration = "1", int32_t waveForm = kSine) {
  PanelState panel;
  panel.fEdit = f;
  panel.Duration = duration;
  panel.WaveForm = waveForm;
  return panel;
}

PanelState Sweep(const char* from, const char* to, bool logarithmic, int32_t rate = 44100) {
  PanelState panel = testing_support::AtRate(rate, testing_support::SweepPanel(from, to, "1", kSine, "0"));
  panel.Logarithmic = logarithmic;
  return panel;
}

PanelState Noise(const char* duration) {
  PanelState panel;
  panel.SignalType = SignalPage::Noise;
  panel.Duration = duration;
  panel.WaveForm = -1;  // the noise page has no wave form to miss
  return panel;
}

class SoundNotesTest : public ::testing::TestWithParam<NoteCase> {};

TEST_P(SoundNotesTest, SaysWhatWillNotSoundAsWritten) {
  const NoteCase& c = GetParam();
  EXPECT_EQ(SoundNotes(c.panel, c.gains, LayoutOf(c.layout), c.speakers), c.notes);
}

using L = SpeakerLayoutId;
const ChannelGains kBoth{1, 1, 1};
INSTANTIATE_TEST_SUITE_P(
    Lines, SoundNotesTest,
    ::testing::Values(
        NoteCase{"AToneAsWritten", Tone("1000"), kBoth, L::Stereo, 0, {}},
        NoteCase{"AToneAtHalfTheRate", Tone("22050"), kBoth, L::Stereo, 0, {}},
        NoteCase{"AToneAboveHalfTheRate", Tone("30000"), kBoth, L::Stereo, 0,
                 {"30000 Hz is above half the rate (22050 Hz): it sounds as 14100 Hz"}},
        NoteCase{"AToneAboveTheRate", Tone("50000.5"), kBoth, L::Stereo, 0,
                 {"50000.5 Hz is above half the rate (22050 Hz): it sounds as 5900.5 Hz"}},
        NoteCase{"ASweepPastHalfTheRate", Sweep("100", "40000", false), kBoth, L::Stereo, 0,
                 {"the sweep passes half the rate (22050 Hz): above it, it folds back"}},
        NoteCase{"ASweepBelowHalfOf96000", Sweep("100", "40000", false, 96000), kBoth, L::Stereo, 0, {}},
        NoteCase{"ALogSweepFromZero", Sweep("0", "1000", true), kBoth, L::Stereo, 0,
                 {"a logarithmic sweep needs both frequencies above 0 Hz: this one sweeps linearly"}},
        NoteCase{"ALogSweepAsWritten", Sweep("20", "20000", true), kBoth, L::Stereo, 0, {}},
        NoteCase{"ALinearSweepFromZero", Sweep("0", "1000", false), kBoth, L::Stereo, 0, {}},
        NoteCase{"NoChannel", Tone("1000"), {0, 0, 1}, L::Stereo, 0, {"no channel is chosen: the line plays silence"}},
        NoteCase{"OneChannel", Tone("1000"), {0, 1, 1}, L::Stereo, 0, {}},
        NoteCase{"NoSpeaker", Tone("1000"), kBoth, L::FivePointOne, SpeakerBit(Speaker::SL),
                 {"no speaker is chosen: the line plays silence"}},
        NoteCase{"TheCentreSpeaker", Tone("1000"), {0, 0, 1}, L::FivePointOne, SpeakerBit(Speaker::FC), {}},
        NoteCase{"NoWaveForm", Tone("1000", "1", -1), kBoth, L::Stereo, 0,
                 {"the wave form is none of 0 (sine), 1 (square) and 2 (triangle): the line plays silence"}},
        NoteCase{"ToneOfNoDuration", Tone("1000", "-2"), kBoth, L::Stereo, 0, {"a duration of 0 s or less plays nothing"}},
        NoteCase{"NoiseOfNoDuration", Noise("0"), kBoth, L::Stereo, 0, {"a duration of 0 s or less plays nothing"}},
        NoteCase{"NoiseAsWritten", Noise("5"), kBoth, L::Stereo, 0, {}},
        NoteCase{"ANumberThatDoesNotConvert", Tone("1k"), kBoth, L::Stereo, 0, {}},
        NoteCase{"SilenceAndFolding", Tone("30000", "1", -1), {0, 0, 1}, L::Stereo, 0,
                 {"no channel is chosen: the line plays silence",
                  "the wave form is none of 0 (sine), 1 (square) and 2 (triangle): the line plays silence",
                  "30000 Hz is above half the rate (22050 Hz): it sounds as 14100 Hz"}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
