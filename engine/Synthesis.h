#pragma once
// Signal synthesis: the panel's parameters become one buffer of 16-bit PCM at
// 44100 frames per second. A constant tone's buffer holds a whole number of
// periods and is repeated by the device; a sweep's buffer holds it once.
//
// Arithmetic is 80-bit extended precision (long double on x86-64) in the
// order written below; the exact bytes of every buffer depend on it.

#include <cstdint>
#include <string>

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"
#include "platform/FrameRate.h"

namespace sondrel {

// The parameters of one synthesis run, read and converted from the panel.
class SignalRun {
 public:
  // Reads the parameters in the panel's order; the first text that does not
  // convert decides the error. Throws AppError.
  explicit SignalRun(const PanelState& state);

  // The sample value c of frame n, 0 <= n < N, before the 16-bit clip.
  // Throws "Invalid floating point operation" when c leaves the 32-bit range.
  // This is the definition of every sample; the synthesizer's fast path
  // must give exactly the same values.
  int32_t ComputeSample(int32_t n) const;
  // The waveform's value w of frame n in [-1, 1], which ComputeSample scales
  // by A * 32767 and rounds; false when no waveform is selected (silence).
  bool ComputeWave(int32_t n, long double& w) const;
  // The phase x of frame n in radians, exactly as ComputeSample forms it.
  long double Phase(int32_t n) const;

  double f0 = 0;        // start frequency, Hz
  double f1 = 0;        // end frequency, Hz
  double D = 0;         // f1 - f0; exactly 0 for a constant tone
  int32_t N = 0;        // frames; nothing is synthesized when N <= 0
  long double A = 1;    // linear amplitude factor, 1 at 0 dB
  int32_t WaveForm = kSine;
  bool LogarithmicSweep = false;  // exponential law, f0 > 0, f1 > 0, f0 != f1
  int32_t Rate = kFramesPerSecond;  // frames per second
  long double K = 1.0L / kFramesPerSecond;  // 1 / Rate: a multiplication, never a division

 private:
  long double logRatio_ = 0;  // ln(f1 / f0) of an exponential sweep
};

// Appends the frames of the panel's signal to stream, which must be empty:
// a constant tone or a sweep from SignalRun, noise from SynthesizeNoise.
// Nothing is appended when a parameter fails to convert. Long buffers are
// shared out among the processor's cores; the bytes never depend on how.
void SynthesizeSignal(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
// Frames [from, to) of a constant tone or a sweep into `samples`, which
// holds them in the gains' layout, exactly as they stand in the whole buffer:
// a long signal made piece by piece in little memory.
void SynthesizeSignalPiece(const PanelState& state, const ChannelGains& gains, int32_t from, int32_t to,
                           int16_t* samples);
// The same, one frame after the other through ComputeSample: the reference
// the fast synthesizer is checked against.
void SynthesizeSignalReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);

// The linear factor A = 10^(dB * 0.05) of a whole number of decibels, as
// the amplitude box holds it. Throws "'%s' is not a valid integer value".
long double AmplitudeOf(const std::string& decibels);

// +1 when v >= 0, otherwise -1.
int32_t SquareOf(float v);
// The triangle in phase with sin(x): (2/pi) * arcsin(sin x), in [-1, 1].
float TriangleOf(float x);
int32_t GreatestCommonDivisor(int32_t a, int32_t b);
// Two channels when exactly one channel is on, when out of phase, or always
// when the compatibility option asks for it; otherwise one.
bool StereoLayout(int32_t LeftGain, int32_t RightGain, int32_t PhaseSign, bool AlwaysStereo);

// Appends one channel's values to an empty stream in the gains' layout: as
// they are, or as left and right frames with the gains and the phase.
void AppendValuesInLayout(const int16_t* values, int32_t count, const PanelState& state, const ChannelGains& gains,
                          PcmBuffer& stream);

// Departure from a plain 16-bit store: values beyond the 16-bit range (only
// possible above 0 dB) are clipped to +-32767 instead of wrapping.
inline int16_t ClipTo16Bits(int32_t value) {
  if (value > 32767) return 32767;
  if (value < -32767) return -32767;
  return static_cast<int16_t>(value);
}

}  // namespace sondrel
