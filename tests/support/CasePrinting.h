#pragma once
// GoogleTest prints a parameter it has no printer for as raw bytes, and
// numbers parameterised tests 0, 1, 2. Test cases print as their name, or
// as the text they test where they have no name, and CaseName() turns that
// into the test's name, so a failure says which case failed.

#include <gtest/gtest.h>

#include <cctype>
#include <concepts>
#include <ostream>
#include <string>

namespace sondrel {
namespace {

template <typename Case>
concept NamedCase = requires(const Case& c) {
  { c.name } -> std::convertible_to<const char*>;
};

template <NamedCase Case>
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

// "<printed parameter, letters and digits only>_<index>".
struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    std::string name;
    for (const char c : ::testing::PrintToString(info.param)) {
      if (c == '\'' || c == '"') continue;
      name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name.substr(0, 60) + "_" + std::to_string(info.index);
  }
};

}  // namespace
}  // namespace sondrel
