#include "engine/EngineWindow.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace sondrel {

namespace {
// How often a sleep looks at its condition: short beside the 20 ms within
// which a script's next line must follow the last frame of the one before.
constexpr int kStepMs = 2;
}  // namespace

void SleepInSteps(int milliseconds, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(kStepMs), end - now));
  }
}

}  // namespace sondrel
