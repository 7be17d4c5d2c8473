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

int32_t BurstWindowOf(const std::string& word) {
  if (word.empty() || word == "hann") return kHannWindow;
  if (word == "rect") return kRectangularWindow;
  throw AppError("'" + MessageExcerpt(word) + "' is not a valid burst window");
}

bool NoiseIndependentOf(const std::string& word) {
  if (word == "same") return false;
  if (word == "independent") return true;
  throw AppError("'" + MessageExcerpt(word) + "' is not a valid noise channels word (same or independent)");
}

int32_t FadeMsOf(const std::string& word) {
  int32_t ms = 0;
  if (TryWholeNumber(word, kLongestFadeMs, &ms)) return ms;
  throw AppError("'" + MessageExcerpt(word) + "' is not a valid fade (whole milliseconds, 0 to " +
                 std::to_string(kLongestFadeMs) + ")");
}

NoiseChoice NoiseColourOf(const std::string& word) {
  if (word == "white") return {kWhite, {}};
  if (word == "pink") return {kPink, {}};
  if (word == "brown") return {kBrown, {}};
  const AppError notAColour("'" + MessageExcerpt(word) + "' is not a valid noise colour");
  const std::string prefix = "pink:";
  if (word.rfind(prefix, 0) != 0) throw notAColour;
  const std::string band = word.substr(prefix.size());
  const size_t dash = band.find('-', 1);  // after the low edge's first character
  long double low = 0, high = 0;
  if (dash == std::string::npos || !TryStrToFloat(band.substr(0, dash), &low) ||
      !TryStrToFloat(band.substr(dash + 1), &high)) {
    throw notAColour;
  }
  return {kPink, {static_cast<double>(low), static_cast<double>(high)}};
}

}  // namespace sondrel
