#include "engine/tones/MultiTone.h"

#include <cmath>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/tones/ToneFrequency.h"

namespace sondrel {

namespace {

constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;

}  // namespace

std::vector<ToneComponent> ToneListOf(const std::string& list) {
  const AppError invalid("'" + MessageExcerpt(list) + "' is not a valid tone list");
  std::vector<ToneComponent> tones;
  size_t start = 0;
  while (true) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string item = list.substr(start, comma - start);
    const size_t colon = item.find(':');
    long double frequency = 0;
    long double weight = 1;
    if (!TryStrToFloat(item.substr(0, colon), &frequency)) throw invalid;
    if (colon != std::string::npos && (!TryStrToFloat(item.substr(colon + 1), &weight) || !(weight > 0))) throw invalid;
    if (!std::isfinite(static_cast<double>(frequency)) || !std::isfinite(static_cast<double>(weight))) throw invalid;
    tones.push_back({static_cast<double>(frequency), static_cast<double>(weight)});
    if (comma == list.size()) break;
    start = comma + 1;
  }
  if (tones.size() > kMostTones) {
    throw AppError("A multi-tone has at most " + IntToStr(kMostTones) + " tones, not " + IntToStr(tones.size()));
  }
  return tones;
}

std::vector<double> ToneLevels(const std::vector<ToneComponent>& tones, double decibels) {
  double sum = 0;
  for (const ToneComponent& tone : tones) sum += tone.weight;
  std::vector<double> levels;
  for (const ToneComponent& tone : tones) levels.push_back(decibels + 20 * std::log10(tone.weight / sum));
  return levels;
}

MultiToneRun::MultiToneRun(const PanelState& state) : Rate(state.SampleRate) {
  A = AmplitudeOf(state.Amplitude);
  tones = ToneListOf(state.ToneList);
  int32_t common = Rate;  // gcd of the rate and every rounded frequency
  for (const ToneComponent& tone : tones) {
    CheckToneFrequency(tone.frequency, Rate);
    wholeHertz = wholeHertz && tone.frequency == std::floor(tone.frequency);
    common = GreatestCommonDivisor(common, Round(tone.frequency));
    weightSum += tone.weight;
  }
  N = Rate / common;
  scale = A * 32767.0L / weightSum;
}

long double MultiToneRun::Angle(size_t tone, int32_t n) const {
  const double f = tones[tone].frequency;
  if (wholeHertz) {
    const int64_t turns = static_cast<int64_t>(f) * n % Rate;  // f <= R/2 and n < R: no overflow
    return kTwoPi * (static_cast<long double>(turns) / Rate);
  }
  return kTwoPi * (static_cast<long double>(f) * n / Rate);
}

long double MultiToneRun::ComputeWave(int32_t n) const {
  long double sum = 0;
  for (size_t i = 0; i < tones.size(); ++i) sum += tones[i].weight * std::sin(Angle(i, n));
  return sum / weightSum;
}

int32_t MultiToneRun::ComputeSample(int32_t n) const {
  long double sum = 0;
  for (size_t i = 0; i < tones.size(); ++i) sum += tones[i].weight * std::sin(Angle(i, n));
  return Round(sum * scale);
}

}  // namespace sondrel
