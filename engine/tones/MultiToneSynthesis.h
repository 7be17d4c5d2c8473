#pragma once
// The multi-tone as the program makes it: the definition's values
// (MultiTone.h) bit for bit, many times faster for whole-hertz lists.
//
// The angles of whole-hertz tones are all multiples of one turn / N (N the
// buffer's frames), so each frame's sines come from one table of N sines in
// double precision, with an error bound for every step; a frame whose value
// lies so close to a rounding boundary that the extended-precision
// reference could round it the other way is computed by the reference.
// Fractional frequencies take the reference's own path.

#include <cstdint>

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"
#include "engine/tones/MultiTone.h"

namespace sondrel {

// The clipped 16-bit values of the run's N frames; returns how many of them
// needed the reference's extended-precision path.
int64_t MultiToneValues(const MultiToneRun& run, int16_t* values);

// Appends the panel's multi-tone, one period in the gains' layout, to an
// empty stream; throws AppError for a parameter that does not convert.
void SynthesizeMultiTone(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
// The same through MultiToneRun::ComputeSample alone.
void SynthesizeMultiToneReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);

}  // namespace sondrel
