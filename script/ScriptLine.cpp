#include "script/ScriptLine.h"

#include "engine/NumberText.h"
#include "engine/PanelState.h"

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

int32_t WaveFormOf(const std::string& number) {
  const int32_t index = StrToInt(number);
  return index >= kSine && index <= kTriangular ? index : -1;
}

}  // namespace sondrel
