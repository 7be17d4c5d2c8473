#pragma once
// Saving a synthesized buffer as a file: raw PCM exactly as played, or the
// same samples behind a standard WAV header.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/PcmBuffer.h"

namespace sondrel {

// Replaces the file at path with the buffer's bytes (an empty buffer gives an
// empty file), after `header` when one is given. The old file stays intact
// when the write fails. Throws "Cannot create file <path>" or
// "Stream write error".
void WritePcmFile(const std::string& path, const PcmBuffer& samples,
                  const std::vector<uint8_t>& header = {});

// The 44-byte RIFF/WAVE header of 16-bit PCM at `rate` frames per second,
// one or two channels, for dataBytes bytes of samples.
std::vector<uint8_t> WaveFileHeader(uint16_t channels, uint32_t dataBytes, uint32_t rate = 44100);

}  // namespace sondrel
