#pragma once
// The header of a WAV file, as measurement tools and SoX expect it: RIFF/WAVE
// with a plain 16-byte 'fmt ' chunk (format tag 1) for integer PCM, or format
// tag 3 (IEEE float) with its 'fact' chunk; WAVE_FORMAT_EXTENSIBLE, with
// the speakers' channel mask, for a surround layout; RF64 with a 'ds64' chunk when the
// data outgrows what a RIFF header can count. A header written before the
// length is known (a pipe) gives the data the length SoX writes when it
// cannot know it, which SoX and aplay read to the end of the stream.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FrameRate.h"

namespace sondrel {

struct WaveLayout {
  uint16_t channels = 1;
  uint32_t rate = kFramesPerSecond;  // frames per second
  uint16_t bitsPerSample = 16;    // 16 or 24 for integers, 32 for floats
  bool floatingPoint = false;
  uint32_t channelMask = 0;       // not 0: WAVE_FORMAT_EXTENSIBLE with these speaker positions
  uint32_t FrameBytes() const { return channels * (bitsPerSample / 8u); }
};

// The most data bytes a RIFF header counts: its 32-bit size holds the header
// after its first 8 bytes, the data and its pad byte.
uint64_t LargestRiffData(const WaveLayout& layout);
// The header for dataBytes bytes of samples: RIFF while dataBytes is at most
// largestRiffData, otherwise RF64 (36 bytes longer).
std::vector<uint8_t> WaveHeader(const WaveLayout& layout, uint64_t dataBytes, uint64_t largestRiffData);
std::vector<uint8_t> WaveHeader(const WaveLayout& layout, uint64_t dataBytes);
// The RIFF header of data whose length is not known yet.
std::vector<uint8_t> UnknownLengthWaveHeader(const WaveLayout& layout);

// The data length SoX writes when it cannot know it, and the length of the
// ds64 chunk an RF64 header adds.
inline constexpr uint32_t kUnknownWaveDataBytes = 0x7FFFF000;
inline constexpr size_t kRf64ExtraBytes = 36;

}  // namespace sondrel
