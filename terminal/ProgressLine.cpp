#include "terminal/ProgressLine.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace sondrel {

ProgressLine::ProgressLine(std::string verb)
    : verb_(std::move(verb)), shown_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_(start_) {}

ProgressLine::~ProgressLine() { Clear(); }

void ProgressLine::Update(uint64_t frames, int32_t rate) {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  drawn_ = true;
  char line[96];
  std::snprintf(line, sizeof line, "\rsondrel: %s, %.1f s of audio so far", verb_.c_str(),
                static_cast<double>(frames) / rate);
  std::cerr << line << std::flush;
}

void ProgressLine::Clear() {
  if (drawn_) std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace sondrel
