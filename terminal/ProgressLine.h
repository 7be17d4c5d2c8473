#pragma once
// One line on a terminal's standard error once a render or play has taken a
// second, redrawn a few times a second and cleared at the end; nothing when
// standard error is no terminal.

#include <chrono>
#include <cstdint>
#include <string>

namespace sondrel {

class ProgressLine {
 public:
  // verb: what is going on, "rendering" or "playing".
  explicit ProgressLine(std::string verb);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Update(uint64_t frames, int32_t rate);
  // Clears the line, so that a message starts on a clean one.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::string verb_;
  bool shown_;
  bool drawn_ = false;
  Clock::time_point start_, last_;
};

}  // namespace sondrel
