#pragma once
// The synthesizer the program uses: the same sample values as
// SignalRun::ComputeSample, bit for bit, many times faster.
//
// The phase is formed in extended precision exactly as the reference forms
// it; only the expensive extended-precision sine (and the triangle's arc
// sine) is replaced by double-precision functions on a carefully reduced
// argument. Wherever the cheaper value lies so close to a rounding boundary
// that the reference could round the other way, the frame is computed by
// the reference itself. See FastSynthesis.cpp for the error bounds.

#include <cstdint>

#include "engine/Synthesis.h"
#include "engine/SynthesisJob.h"

namespace sondrel {

// The clipped 16-bit values of frames [from, to) of the run. Returns how many
// of them needed the reference's extended-precision path.
int64_t SynthesizeFrames(const SignalRun& run, int32_t from, int32_t to, int16_t* values);

}  // namespace sondrel
