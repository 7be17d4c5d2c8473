#pragma once
// How many 100 ms passes a delay makes: at least one, then until passes >=
// seconds * 10. One table for the core, the window's run and the render.

#include <gtest/gtest.h>

#include <string>

namespace sondrel {

struct DelayCase {
  const char* name;
  const char* seconds;
  int passes;
};

inline const auto kDelayCases = ::testing::Values(
    DelayCase{"Zero", "0", 1}, DelayCase{"Negative", "-3", 1}, DelayCase{"Tiny", "1e-300", 1},
    DelayCase{"Tenth", "0.1", 1}, DelayCase{"JustOverATenth", "0.11", 2}, DelayCase{"OneAndAHalfTenths", "0.15", 2},
    DelayCase{"TwoAndAHalf", "2.5", 25});

inline std::string DelayCaseName(const ::testing::TestParamInfo<DelayCase>& info) { return info.param.name; }

}  // namespace sondrel
