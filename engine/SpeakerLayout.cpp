#include "engine/SpeakerLayout.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/AppError.h"

namespace sondrel {

namespace {

using S = Speaker;

// The positions' bits in a WAV channel mask.
constexpr std::array<uint32_t, kSpeakerCount> kMaskBits = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x200, 0x400};
constexpr std::array<const char*, kSpeakerCount> kNames = {"FL", "FR", "FC", "LFE", "RL", "RR", "SL", "SR"};

SpeakerLayout Make(SpeakerLayoutId id, const char* name, const char* word, std::vector<Speaker> speakers) {
  uint32_t mask = 0;
  for (Speaker speaker : speakers) mask |= kMaskBits[static_cast<size_t>(speaker)];
  return {id, name, word, std::move(speakers), mask};
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

SpeakerSet SpeakerLayout::All() const {
  SpeakerSet all = 0;
  for (Speaker speaker : speakers) all |= SpeakerBit(speaker);
  return all;
}

const std::vector<SpeakerLayout>& SpeakerLayouts() {
  static const std::vector<SpeakerLayout> kLayouts = {
      Make(SpeakerLayoutId::Stereo, "Stereo", "stereo", {S::FL, S::FR}),
      Make(SpeakerLayoutId::TwoPointOne, "2.1", "2.1", {S::FL, S::FR, S::LFE}),
      Make(SpeakerLayoutId::Quad, "Quad", "quad", {S::FL, S::FR, S::RL, S::RR}),
      Make(SpeakerLayoutId::FivePointOne, "5.1", "5.1", {S::FL, S::FR, S::FC, S::LFE, S::RL, S::RR}),
      Make(SpeakerLayoutId::SevenPointOne, "7.1", "7.1", {S::FL, S::FR, S::FC, S::LFE, S::RL, S::RR, S::SL, S::SR}),
  };
  return kLayouts;
}

const SpeakerLayout& LayoutOf(SpeakerLayoutId id) { return SpeakerLayouts()[static_cast<size_t>(id)]; }

std::optional<SpeakerLayoutId> LayoutNamed(const std::string& word) {
  for (const SpeakerLayout& layout : SpeakerLayouts()) {
    if (Lower(word) == layout.word) return layout.id;
  }
  return std::nullopt;
}

std::optional<SpeakerLayoutId> LayoutWithPositions(const std::vector<std::string>& positions) {
  for (const SpeakerLayout& layout : SpeakerLayouts()) {
    const bool same = std::equal(layout.speakers.begin(), layout.speakers.end(), positions.begin(), positions.end(),
                                 [](Speaker speaker, const std::string& name) { return name == SpeakerName(speaker); });
    if (same) return layout.id;
  }
  return std::nullopt;
}

const char* SpeakerName(Speaker speaker) { return kNames[static_cast<size_t>(speaker)]; }

const char* SpeakerTitle(Speaker speaker) {
  static const char* const kTitles[kSpeakerCount] = {"Front left", "Front right", "Front centre", "Subwoofer",
                                                     "Rear left",  "Rear right",  "Side left",    "Side right"};
  return kTitles[static_cast<size_t>(speaker)];
}

std::optional<Speaker> SpeakerNamed(const std::string& word) {
  for (int speaker = 0; speaker < kSpeakerCount; ++speaker) {
    if (Lower(word) == Lower(kNames[static_cast<size_t>(speaker)])) return static_cast<Speaker>(speaker);
  }
  return std::nullopt;
}

bool RightHand(Speaker speaker) { return speaker == S::FR || speaker == S::RR || speaker == S::SR; }

SpeakerSet SpeakerListOf(const std::string& list, const SpeakerLayout& layout) {
  if (Lower(list) == "all") return layout.All();
  SpeakerSet chosen = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = list.find(',', start);
    const std::string word = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::optional<Speaker> speaker = SpeakerNamed(word);
    if (!speaker) throw AppError("'" + MessageExcerpt(word) + "' is not a speaker position");
    if (!layout.Has(*speaker)) {
      throw AppError("'" + std::string(SpeakerName(*speaker)) + "' is not a speaker of the " + layout.name + " layout");
    }
    chosen |= SpeakerBit(*speaker);
    if (comma == std::string::npos) return chosen;
    start = comma + 1;
  }
}

std::vector<int> SpeakerFactors(const SpeakerLayout& layout, SpeakerSet chosen, int32_t phaseSign) {
  std::vector<int> factors;
  for (Speaker speaker : layout.speakers) {
    const bool on = (chosen & SpeakerBit(speaker)) != 0;
    factors.push_back(!on ? 0 : (phaseSign < 0 && RightHand(speaker)) ? -1 : 1);
  }
  return factors;
}

}  // namespace sondrel
