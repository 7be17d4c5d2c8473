#include "terminal/ProgressLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace sondrel {

namespace {
constexpr size_t kLongestWhat = 36;  // leaves the seconds on an 80-column line
}  // namespace

std::string ProgressText(const std::string& verb, double seconds, const std::string& what) {
  size_t kept = std::min(what.size(), kLongestWhat);
  // Cut between characters, not inside one's UTF-8 bytes.
  while (kept < what.size() && kept > 0 && (static_cast<unsigned char>(what[kept]) & 0xC0) == 0x80) --kept;
  std::string shown;
  for (const char c : what.substr(0, kept)) shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
  if (kept < what.size()) shown += "...";
  char figure[48];
  std::snprintf(figure, sizeof figure, "%.1f s of audio so far", seconds);
  return "sondrel: " + verb + (shown.empty() ? "" : " " + shown) + ", " + figure;
}

ProgressLine::ProgressLine(std::string verb)
    : verb_(std::move(verb)), shown_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_(start_) {}

ProgressLine::~ProgressLine() { Clear(); }

void ProgressLine::Update(uint64_t frames, int32_t rate, const std::string& what) {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  drawn_ = true;
  // Cleared first: a shorter line leaves nothing of the last one behind.
  std::cerr << "\r\033[K" << ProgressText(verb_, static_cast<double>(frames) / rate, what) << std::flush;
}

void ProgressLine::Clear() {
  if (drawn_) std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace sondrel
