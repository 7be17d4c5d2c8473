#include "terminal/NumberReading.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

#include "engine/NumberText.h"

namespace sondrel {

namespace {

struct Separator {
  const char* name;  // "de" or "de_CH"
  int separator;
};

constexpr Separator kSeparators[] = {
#include "terminal/DecimalSeparators.inc"
};

std::optional<int> Find(const std::string& name) {
  const auto found = std::find_if(std::begin(kSeparators), std::end(kSeparators),
                                  [&name](const Separator& entry) { return name == entry.name; });
  if (found == std::end(kSeparators)) return std::nullopt;
  return found->separator;
}

}  // namespace

char DecimalSeparatorOf(const std::string& name) {
  // language[_TERRITORY][.codeset][@modifier]
  std::string locale = name.substr(0, name.find_first_of(".@"));
  std::replace(locale.begin(), locale.end(), '-', '_');
  const std::string language = locale.substr(0, locale.find('_'));
  const size_t lastPart = locale.rfind('_');
  const std::string territory = lastPart == std::string::npos ? "" : locale.substr(lastPart + 1);
  if (!territory.empty()) {
    if (const std::optional<int> separator = Find(language + "_" + territory)) return static_cast<char>(*separator);
  }
  return static_cast<char>(Find(language).value_or('.'));
}

void UseTheLocaleDecimalSeparator() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      SetDecimalSeparator(DecimalSeparatorOf(value));
      return;
    }
  }
}

}  // namespace sondrel
