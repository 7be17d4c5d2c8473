#pragma once
// Telephone keypad tones (DTMF): each key's row and column frequencies at
// equal weight, one key after the other. At R frames a second, A =
// 10^(dB/20), a key of T = Round(TONE_MS R / 1000) frames is followed by
// G = Round(GAP_MS R / 1000) frames of silence; frame m of key k's tone is
//
//   c = Round(A * 32767 * (sin(2 pi (r m / R)) + sin(2 pi (c m / R))) / 2)
//
// (r, c the key's row and column in Hz; extended precision in that order),
// so the dB value is the pair's peak, clipped as the tones' are; then each
// key's T frames fade in and out over 4 ms by the play fade's rule
// (PlayFade), so that no key clicks. The buffer holds every key and its
// gap, and plays once.
//
//            1209  1336  1477  1633 Hz
//      697     1     2     3     A
//      770     4     5     6     B
//      852     7     8     9     C
//      941     *     0     #     D

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"
#include "platform/PlayFade.h"

namespace sondrel {

inline constexpr int32_t kDtmfFadeMs = 4;
inline constexpr size_t kMostDtmfDigits = 32;
inline constexpr int32_t kShortestDtmfToneMs = 10;
inline constexpr int32_t kLongestDtmfToneMs = 2000;  // and the longest gap
inline constexpr const char* kDefaultDtmfToneMs = "100";
inline constexpr const char* kDefaultDtmfGapMs = "70";

// The row and column frequencies of a key, nothing for another character.
std::optional<std::pair<double, double>> DtmfPair(char key);

// The digits of the panel's DTMF fields, each checked: "'x' is not a DTMF
// digit (0-9, *, #, A-D)", "DTMF needs 1 to 32 digits", "A DTMF tone lasts 10
// to 2000 ms, not 'x'", "A DTMF gap lasts 0 to 2000 ms, not 'x'". Throws
// AppError.
class DtmfRun {
 public:
  explicit DtmfRun(const PanelState& state);

  // The value of frame n of the whole buffer before A 32767 and the fade:
  // the pair's mean, 0 in a gap.
  long double ComputeWave(int32_t n) const;
  // The faded 16-bit values of every frame, in order.
  std::vector<int16_t> Values() const;
  // Fades each key's frames of `values` (`channels` interleaved, frame 0 the
  // buffer's first) by its 4 ms fade.
  template <typename Sample>
  void ApplyFades(Sample* values, size_t channels) const {
    for (size_t key = 0; key < pairs.size(); ++key) {
      fade_.Apply(values + key * static_cast<size_t>(T + G) * channels, static_cast<size_t>(T), channels, 0);
    }
  }

  std::vector<std::pair<double, double>> pairs;  // of each key, in order
  int32_t Rate = 0;
  int32_t T = 0;  // frames of a key's tone
  int32_t G = 0;  // frames of the gap after it
  int32_t N = 0;  // frames of the buffer
  long double A = 1;

 private:
  PlayFade fade_;
};

// Appends the panel's keys in the gains' layout to an empty stream; throws
// AppError for a field out of its bounds.
void SynthesizeDtmf(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);

}  // namespace sondrel
