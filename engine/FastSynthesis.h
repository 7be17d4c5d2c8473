#pragma once
// The synthesizer the program uses: the same sample values as
// SignalRun::ComputeSample, bit for bit, many times faster.
//
// The kernels (kernels/SynthesisKernels.h) compute blocks of frames in
// double precision, with error bounds for every step; a frame whose value
// lies so close to a rounding boundary that the extended-precision
// reference could round it the other way is computed by the reference
// itself. See FastSynthesis.cpp for the bounds of the phase.

#include <cstdint>

#include "engine/Synthesis.h"
#include "engine/SynthesisJob.h"

namespace sondrel {

// The clipped 16-bit values of frames [from, to) of the run. Returns how many
// of them needed the reference's extended-precision path.
int64_t SynthesizeFrames(const SignalRun& run, int32_t from, int32_t to, int16_t* values);

}  // namespace sondrel
