#pragma once
// Two or more sines at once, the signals of intermodulation tests (SMPTE
// 60 Hz + 7 kHz at 4:1, CCIF 19 kHz + 20 kHz at 1:1, ...). The definition of
// frame n, at R frames a second, A = 10^(dB/20):
//
//   c_n = Round(A * 32767 / W * sum over i of w_i sin(x_i(n))),   W = sum of w_i,
//
// so that the dB setting is the composite's peak, which no frame passes.
// For a whole-hertz frequency f, x(n) = 2 pi ((f n) mod R) / R, the same
// angle as 2 pi f n / R reduced exactly; otherwise x(n) = 2 pi (f n) / R.
// Extended precision in that order, the sum in the list's order; a value
// beyond full scale is clipped as the tones' are. The buffer is one common
// period, R / gcd(R, Round(f_1), ..., Round(f_k)) frames, looped: seamless
// when every frequency is whole, otherwise with the seam a constant tone of
// a fractional frequency has.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/PanelState.h"

namespace sondrel {

inline constexpr size_t kMostTones = 16;

struct ToneComponent {
  double frequency = 0;  // Hz
  double weight = 1;     // relative to the others'
  bool operator==(const ToneComponent&) const = default;
};

// "60:4,7000:1": frequencies joined by commas, each with an optional weight
// after a colon, in the script's numbers. Throws "'%s' is not a valid tone
// list" for anything else (a weight of 0 or less included) and "A multi-tone
// has at most 16 tones, not %d" beyond kMostTones.
std::vector<ToneComponent> ToneListOf(const std::string& list);

// Each tone's own peak in dB for the composite's peak `decibels`:
// dB + 20 log10(w_i / W), as the window shows it.
std::vector<double> ToneLevels(const std::vector<ToneComponent>& tones, double decibels);

// The window's four standard signals.
struct ToneListPreset {
  const char* name;  // as the list shows it
  const char* list;  // the tone list text
};
inline constexpr ToneListPreset kToneListPresets[] = {
    {"SMPTE (60 Hz + 7 kHz, 4:1)", "60:4,7000:1"},
    {"DIN (250 Hz + 8 kHz, 4:1)", "250:4,8000:1"},
    {"CCIF (19 kHz + 20 kHz, 1:1)", "19000,20000"},
    {"Cordell (9 + 10.05 + 20 kHz)", "9000,10050,20000"},
};

// The parameters of one multi-tone, read from the panel: the amplitude, then
// the list, then every frequency against the rate ("The tone 30000 Hz must
// lie above 0 Hz and at most at half the rate (22050 Hz)"). Throws AppError.
class MultiToneRun {
 public:
  explicit MultiToneRun(const PanelState& state);

  // The clip-free value of frame n before the 16-bit clip; throws "Invalid
  // floating point operation" when it leaves the 32-bit range.
  int32_t ComputeSample(int32_t n) const;
  // sum(w_i sin x_i(n)) / W in [-1, 1], which ComputeSample scales by A 32767.
  long double ComputeWave(int32_t n) const;
  // The angle x_i(n) of tone i, exactly as ComputeSample forms it.
  long double Angle(size_t tone, int32_t n) const;

  std::vector<ToneComponent> tones;
  bool wholeHertz = true;  // every frequency a whole number of hertz
  int32_t N = 0;           // frames of the buffer: one common period
  int32_t Rate = 0;
  long double A = 1;
  long double weightSum = 0;  // W
  long double scale = 0;      // A * 32767 / W
};

}  // namespace sondrel
