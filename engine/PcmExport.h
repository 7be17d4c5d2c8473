#pragma once
// Saving a synthesized buffer as a file: raw PCM exactly as played, or the
// same samples behind a standard WAV header.

#include <cstdint>
#include <string>

#include "engine/PcmBuffer.h"

namespace sondrel {

// Replaces the file at path with the buffer's bytes in one write (an empty
// buffer gives an empty file). The old file stays intact when the write
// fails. Throws "Cannot create file <path>" or "Stream write error".
void WritePcmFile(const std::string& path, const PcmBuffer& samples);

// The same samples as a WAV file of `channels` channels at `rate` frames per
// second, through the audio-file writer a render uses: the plain 44-byte
// PCM header. Throws the same errors.
void WriteWaveFile(const std::string& path, const PcmBuffer& samples, int channels, int32_t rate);

}  // namespace sondrel
