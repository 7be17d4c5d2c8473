#pragma once
// How a script line is cut into words, and what its channel and phase words
// mean. A line is cut at every space and nothing else: two spaces give an
// empty word between them, a leading space an empty command. The first word
// is the command, the next six its arguments; further words are ignored, so
// a long comment after "rem" is fine.

#include <array>
#include <string>

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
// A three-character word puts the channels out of phase; any other keeps them in phase.
bool InPhaseOf(const std::string& word);

}  // namespace sondrel
