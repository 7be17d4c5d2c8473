#include "engine/tones/Dtmf.h"

#include <cmath>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"

namespace sondrel {

namespace {

constexpr long double kTwoPi = 6.28318530717958647692528676655900577L;
constexpr char kKeys[] = "123A456B789C*0#D";
constexpr double kRows[] = {697, 770, 852, 941};
constexpr double kColumns[] = {1209, 1336, 1477, 1633};

// Whole milliseconds from `fewest` to kLongestDtmfToneMs; throws `what` ending in the text.
int32_t Milliseconds(const std::string& text, int32_t fewest, const std::string& what) {
  int32_t ms = 0;
  if (!TryWholeNumber(text, kLongestDtmfToneMs, &ms) || ms < fewest) {
    throw AppError(what + " lasts " + std::to_string(fewest) + " to " + std::to_string(kLongestDtmfToneMs) +
                   " ms, not '" + MessageExcerpt(text) + "'");
  }
  return ms;
}

}  // namespace

std::optional<std::pair<double, double>> DtmfPair(char key) {
  for (size_t at = 0; at < 16; ++at) {
    if (kKeys[at] == key) return std::make_pair(kRows[at / 4], kColumns[at % 4]);
  }
  return std::nullopt;
}

DtmfRun::DtmfRun(const PanelState& state) : Rate(state.SampleRate) {
  for (const char key : state.DtmfDigits) {
    const auto pair = DtmfPair(key);
    if (!pair) throw AppError("'" + MessageExcerpt(std::string(1, key)) + "' is not a DTMF digit (0-9, *, #, A-D)");
    pairs.push_back(*pair);
  }
  if (pairs.empty() || pairs.size() > kMostDtmfDigits) throw AppError("DTMF needs 1 to 32 digits");
  A = AmplitudeOf(state.Amplitude);
  const int32_t toneMs = Milliseconds(state.DtmfToneMs, kShortestDtmfToneMs, "A DTMF tone");
  const int32_t gapMs = Milliseconds(state.DtmfGapMs, 0, "A DTMF gap");
  T = static_cast<int32_t>(FadeFrames(toneMs, Rate));  // milliseconds at the rate, rounded
  G = static_cast<int32_t>(FadeFrames(gapMs, Rate));
  N = static_cast<int32_t>(pairs.size()) * (T + G);
  fade_ = PlayFade(FadeFrames(kDtmfFadeMs, Rate), static_cast<uint64_t>(T));
}

long double DtmfRun::ComputeWave(int32_t n) const {
  const auto& [row, column] = pairs[static_cast<size_t>(n / (T + G))];
  const int32_t m = n % (T + G);
  if (m >= T) return 0;
  return (std::sin(kTwoPi * (static_cast<long double>(row) * m / Rate)) +
          std::sin(kTwoPi * (static_cast<long double>(column) * m / Rate))) /
         2;
}

std::vector<int16_t> DtmfRun::Values() const {
  std::vector<int16_t> values(static_cast<size_t>(N));
  for (int32_t n = 0; n < N; ++n) values[static_cast<size_t>(n)] = ClipTo16Bits(Round(A * 32767 * ComputeWave(n)));
  ApplyFades(values.data(), 1);
  return values;
}

void SynthesizeDtmf(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream) {
  const DtmfRun run(state);
  const std::vector<int16_t> values = run.Values();
  AppendValuesInLayout(values.data(), run.N, state, gains, stream);
}

}  // namespace sondrel
