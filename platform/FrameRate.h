#pragma once
// The frames per second every signal has always been made at, and still is
// unless the settings choose another rate.

#include <cstdint>

namespace sondrel {

inline constexpr int32_t kFramesPerSecond = 44100;

}  // namespace sondrel
