#pragma once
// The noise page's signal: one period of noise (NoiseDefinition.h) at the
// panel's colour and level, in the layout the channel gains choose, as the
// device repeats it.

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"

#include <vector>

namespace sondrel {

// Appends one period to stream, which must be empty. Reads the amplitude
// first; throws its conversion error with nothing appended. The period's
// shape is computed once per colour and kept for the program's life, so a
// retune of the level costs only the scaling.
void SynthesizeNoise(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
// The same from the definition, every time: the transform written as the
// textbook recursion. The reference SynthesizeNoise is checked against.
void SynthesizeNoiseReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
// One period on a surround layout's channels: channel c the noise times
// factors[c] (SpeakerFactors), each channel's own noise with independent
// channels. Throws like SynthesizeNoise.
void SynthesizeNoiseOnSpeakers(const PanelState& state, const std::vector<int>& factors, PcmBuffer& stream);

// One period's x_n (NoiseDefinition.h) of channel `channel` and the scale
// that makes them samples of `fullScale` (32767 for 16 bits), for the wider
// formats.
struct NoisePeriod {
  std::vector<double> x;
  long double scale = 0;
};
NoisePeriod NoisePeriodOf(const PanelState& state, long double fullScale, int channel = 0);

}  // namespace sondrel
