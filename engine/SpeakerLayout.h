#pragma once
// The speaker layouts a signal can be placed on, from Stereo (the left and
// right channels as always) to 7.1, with the position names PipeWire and
// PulseAudio use. A layout's channels stand in the order of their bits in a
// WAV file's channel mask, which is also the order the sound server's
// channel map for that many channels gives them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel {

// In the order of their bits in a WAV channel mask.
enum class Speaker : uint8_t { FL, FR, FC, LFE, RL, RR, SL, SR };
inline constexpr int kSpeakerCount = 8;

enum class SpeakerLayoutId : uint8_t { Stereo, TwoPointOne, Quad, FivePointOne, SevenPointOne };

// A set of speakers, one bit per Speaker.
using SpeakerSet = uint8_t;
inline constexpr SpeakerSet SpeakerBit(Speaker speaker) { return static_cast<SpeakerSet>(1u << static_cast<int>(speaker)); }

struct SpeakerLayout {
  SpeakerLayoutId id = SpeakerLayoutId::Stereo;
  const char* name = "";  // as the user sees it: "Stereo", "2.1", "Quad", "5.1", "7.1"
  const char* word = "";  // as the terminal takes it: "stereo", "2.1", "quad", "5.1", "7.1"
  std::vector<Speaker> speakers;  // the channels, in order
  uint32_t channelMask = 0;       // WAVE_FORMAT_EXTENSIBLE's dwChannelMask

  bool Surround() const { return id != SpeakerLayoutId::Stereo; }
  int Channels() const { return static_cast<int>(speakers.size()); }
  SpeakerSet All() const;
  bool Has(Speaker speaker) const { return (All() & SpeakerBit(speaker)) != 0; }
};

const SpeakerLayout& LayoutOf(SpeakerLayoutId id);
// Every layout, Stereo first.
const std::vector<SpeakerLayout>& SpeakerLayouts();
// By its terminal word, in any case; nothing for another word.
std::optional<SpeakerLayoutId> LayoutNamed(const std::string& word);

// The layout whose speakers are these positions, in this order (a sound
// server's channel map by SpeakerName); nothing when none is.
std::optional<SpeakerLayoutId> LayoutWithPositions(const std::vector<std::string>& positions);

// "FL", "FR", "FC", "LFE", "RL", "RR", "SL", "SR".
const char* SpeakerName(Speaker speaker);
// "Front left", "Front right", "Front centre", "Subwoofer", "Rear left", ...:
// the speaker as a user names it.
const char* SpeakerTitle(Speaker speaker);
// By its name, in any case; nothing for another word.
std::optional<Speaker> SpeakerNamed(const std::string& word);
// Where the speaker stands: the right-hand ones (FR, RR, SR) are inverted
// when the channels are out of phase.
bool RightHand(Speaker speaker);

// A script's speaker list: "all", or positions joined by commas ("FC",
// "FL,FR,LFE"). Throws AppError "'SL' is not a speaker of the 5.1 layout"
// for a position the layout lacks, and "'X' is not a speaker position" for
// a word that names none.
SpeakerSet SpeakerListOf(const std::string& list, const SpeakerLayout& layout);

// The factor each channel of the layout gives a mono signal: 1 on a chosen
// speaker, -1 on a chosen right-hand one when phaseSign is -1, 0 elsewhere.
std::vector<int> SpeakerFactors(const SpeakerLayout& layout, SpeakerSet chosen, int32_t phaseSign);

}  // namespace sondrel
