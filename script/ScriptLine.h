#pragma once
// How a script line is cut into words, and what its channel and phase words
// mean. A line is cut at every space and nothing else: two spaces give an
// empty word between them, a leading space an empty command. The first word
// is the command, the next six its arguments; further words are ignored, so
// a long comment after "rem" is fine.

#include <array>
#include <cstdint>
#include <string>

#include "engine/PanelState.h"

namespace sondrel {

inline constexpr size_t kScriptWords = 7;
using ScriptWords = std::array<std::string, kScriptWords>;  // missing words are empty

ScriptWords SplitWords(const std::string& line);

struct ChannelChoice {
  bool left = true;
  bool right = true;
};

// Only a one-character word chooses: a code below 76 ("L") neither channel,
// 76 to 81 ("L" to "Q") the left alone, 82 ("R") and above both. Any other
// word, the empty one included, keeps both.
ChannelChoice ChannelsOf(const std::string& word);
// The wave form list's entry for a wave form number: 0 "Sine", 1 "Square",
// 2 "Triangular"; any other integer selects nothing (-1). Throws
// "'%s' is not a valid integer value".
int32_t WaveFormOf(const std::string& number);

// The noise colour list's entry for a colour word: "white", "pink" or
// "brown", lower case, or pink in a band, "pink:LOW-HIGH" in Hz with the
// script's numbers ("pink:500-2000"; whether the band fits the rate is the
// synthesis's to say). Throws "'%s' is not a valid noise colour".
struct NoiseChoice {
  int32_t colour = kWhite;
  NoiseBand band;
};
NoiseChoice NoiseColourOf(const std::string& word);

// The burst window list's entry for a window word: "hann", or none, and
// "rect". Throws "'%s' is not a valid burst window".
int32_t BurstWindowOf(const std::string& word);

// The word of a "noisechannels" line: "same" (false) or "independent"
// (true). Throws "'%s' is not a valid noise channels word (same or independent)".
bool NoiseIndependentOf(const std::string& word);

// The fade of a "fade" line: whole milliseconds from 0 to kLongestFadeMs.
// Throws "'%s' is not a valid fade (whole milliseconds, 0 to 1000)".
inline constexpr int32_t kLongestFadeMs = 1000;
int32_t FadeMsOf(const std::string& word);

// A three-character word puts the channels out of phase; any other keeps them in phase.
bool InPhaseOf(const std::string& word);

}  // namespace sondrel
