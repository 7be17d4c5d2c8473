#include "engine/tones/ToneFrequency.h"

#include <cstdio>

#include "engine/AppError.h"

namespace sondrel {

std::string HertzText(long double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10Lg Hz", value);
  return text;
}

void CheckToneFrequency(double frequency, int32_t rate) {
  if (!(frequency > 0) || frequency > rate / 2.0) {
    throw AppError("The tone " + HertzText(frequency) + " must lie above 0 Hz and at most at half the rate (" +
                   HertzText(rate / 2.0L) + ")");
  }
}

}  // namespace sondrel
