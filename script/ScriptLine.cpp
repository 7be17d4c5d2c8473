#include "script/ScriptLine.h"

#include "engine/AppError.h"
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

namespace sondrel {

int32_t NoiseColourOf(const std::string& word) {
  if (word == "white") return kWhite;
  if (word == "pink") return kPink;
  if (word == "brown") return kBrown;
  throw AppError("'" + MessageExcerpt(word) + "' is not a valid noise colour");
}

}  // namespace sondrel
