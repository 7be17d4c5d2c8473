#pragma once
// One line on a terminal's standard error once a render or play has taken a
// second, redrawn a few times a second and cleared at the end; nothing when
// standard error is no terminal.

#include <chrono>
#include <cstdint>
#include <string>

namespace sondrel {

// "sondrel: playing line 3: tone 1000 2 -6 0, 12.4 s of audio so far": what
// is shown, its control characters made visible as '?' and cut to fit an
// 80-column terminal.
std::string ProgressText(const std::string& verb, double seconds, const std::string& what);

class ProgressLine {
 public:
  // verb: what is going on, "rendering" or "playing".
  explicit ProgressLine(std::string verb);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `what`: the line being played, say; shown after the verb.
  void Update(uint64_t frames, int32_t rate, const std::string& what = {});
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
