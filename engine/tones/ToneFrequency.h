#pragma once
// The bounds every tone of the tone pages keeps, and how their messages
// write a frequency.

#include <cstdint>
#include <string>

namespace sondrel {

// "31.5 Hz": up to ten significant digits, no trailing zeros.
std::string HertzText(long double value);

// Throws "The tone 30000 Hz must lie above 0 Hz and at most at half the
// rate (22050 Hz)" for a frequency outside (0, R/2].
void CheckToneFrequency(double frequency, int32_t rate);

}  // namespace sondrel
