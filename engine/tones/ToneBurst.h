#pragma once
// A tone burst, the signal of subwoofer and driver tests (CEA-2010: 6.5
// cycles in a Hann window, one burst a second). At R frames a second,
// A = 10^(dB/20), a burst of F Hz and C cycles starts every P = Round(E R)
// frames, E the period in seconds. Frame n of a period (n = 0 .. P-1) is
//
//   c_n = Round(A * 32767 * v_n),   v_n = w(n) sin(2 pi (F n / R))   for n < L,
//   c_n = 0                                                        from L on,
//
// where L counts the frames with n F < C R (n / R < C / F: the burst's own
// length) and w(n) = (1 - cos(2 pi (F n / (R C)))) / 2 in a Hann window,
// 1 in a rectangular one. Extended precision in that order from F and C as
// doubles; a value beyond full scale is clipped as the tones' are. The
// buffer is one period, looped, and played to the frame, so every burst
// starts at an exact frame k P.

#include <cstdint>

#include "engine/PanelState.h"

namespace sondrel {

inline constexpr double kFewestBurstCycles = 0.5;
inline constexpr double kMostBurstCycles = 100;
inline constexpr double kLongestBurstPeriod = 60;  // seconds

// The CEA-2010 subwoofer test: 6.5 cycles in a Hann window, once a second,
// at each of these frequencies.
inline constexpr double kCeaBurstFrequencies[] = {20, 25, 31.5, 40, 50, 63};
inline constexpr double kCeaBurstCycles = 6.5;
inline constexpr double kCeaBurstPeriod = 1;

// The parameters of one burst, read from the panel, each checked: "The tone
// F Hz must lie above 0 Hz and at most at half the rate (R/2 Hz)", "A burst
// has 0.5 to 100 cycles, not C", "A burst's period must lie above 0 s and at
// most 60 s, not E s", "A burst of C cycles at F Hz lasts S s, longer than
// its period of E s". Throws AppError.
class ToneBurstRun {
 public:
  explicit ToneBurstRun(const PanelState& state);

  // c_n before the 16-bit clip; throws "Invalid floating point operation"
  // when it leaves the 32-bit range.
  int32_t ComputeSample(int32_t n) const;
  // v_n in [-1, 1], which ComputeSample scales by A 32767; 0 from L on.
  long double ComputeWave(int32_t n) const;

  double F = 0;       // Hz
  double cycles = 0;  // C
  bool hann = true;
  int32_t Rate = 0;
  int32_t P = 0;  // frames of a period: the buffer
  int32_t L = 0;  // frames of the burst, at most P
  long double A = 1;
};

}  // namespace sondrel
