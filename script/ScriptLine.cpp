#include "script/ScriptLine.h"

namespace sondrel {

ScriptWords SplitWords(const std::string& line) {
  ScriptWords words;
  size_t word = 0;
  for (const char c : line) {
    if (c == ' ') {
      if (++word == kScriptWords) break;
    } else {
      words[word].push_back(c);
    }
  }
  return words;
}

ChannelChoice ChannelsOf(const std::string& word) {
  if (word.size() != 1) return {};
  const auto code = static_cast<unsigned char>(word[0]);
  return {code >= 'L', code >= 'R'};
}

bool InPhaseOf(const std::string& word) { return word.size() != 3; }

}  // namespace sondrel
