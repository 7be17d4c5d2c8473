#pragma once
// The panel's signal in formats wider than 16 bits, for audio files: 24-bit
// integers and 32-bit floats. Each sample is defined from the same extended-
// precision value as the 16-bit one: a tone's waveform value w times its
// amplitude factor A (noise: its x_n at the RMS scale), scaled to the
// format's range and rounded the same way:
//   24 bits: Round(w * (A * 8388607)), clipped to +-8388607
//   float:   w * A narrowed to the nearest float, clipped to +-1
// in the layout the channel gains choose, as the 16-bit buffer. They are
// computed by the definition itself, one frame after the other.

#include <cstdint>
#include <vector>

#include "engine/PanelState.h"

namespace sondrel {

enum class SampleFormat { S16, S24, F32 };

// 24-bit values in the top three bytes of 32-bit integers (value << 8), as
// libsndfile takes them, into `values` (emptied first; its room is reused).
// A tone or sweep's frames [from, to) alone when `to` is not negative.
// Throws the synthesis's errors.
void SynthesizeS24(const PanelState& state, const ChannelGains& gains, std::vector<int32_t>& values,
                   int32_t from = 0, int32_t to = -1);
void SynthesizeF32(const PanelState& state, const ChannelGains& gains, std::vector<float>& values,
                   int32_t from = 0, int32_t to = -1);
// Independent noise laid out on a surround layout's speakers, as
// SynthesizeNoiseOnSpeakers makes it in 16 bits.
void NoiseOnSpeakersS24(const PanelState& state, const std::vector<int>& factors, std::vector<int32_t>& values);
void NoiseOnSpeakersF32(const PanelState& state, const std::vector<int>& factors, std::vector<float>& values);

}  // namespace sondrel
