#pragma once
// The tone burst as the program makes it: the definition's values
// (ToneBurst.h) bit for bit, many times faster. The kernels take each
// frame's sine, and the Hann window as sin^2 of half its angle, in double
// precision under an error bound; a frame whose value lies so close to a
// rounding boundary that the extended-precision reference could round it
// the other way is computed by the reference.

#include <cstdint>

#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"
#include "engine/tones/ToneBurst.h"

namespace sondrel {

// The clipped 16-bit values of the run's P frames; returns how many of them
// needed the reference's extended-precision path.
int64_t ToneBurstValues(const ToneBurstRun& run, int16_t* values);

// Appends the panel's burst, one period in the gains' layout, to an empty
// stream; throws AppError for a parameter out of its bounds.
void SynthesizeToneBurst(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);
// The same through ToneBurstRun::ComputeSample alone.
void SynthesizeToneBurstReference(const PanelState& state, const ChannelGains& gains, PcmBuffer& stream);

}  // namespace sondrel
