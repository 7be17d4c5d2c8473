#include "platform/WaveHeader.h"

#include <algorithm>

namespace sondrel {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatIeeeFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE after its first two bytes,
// which hold the plain format tag: {0000000x-0000-0010-8000-00AA00389B71}.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint64_t kLargestChunk = 0xFFFFFFFF;

class Bytes {
 public:
  void Text(const char* fourCharacters) { bytes_.insert(bytes_.end(), fourCharacters, fourCharacters + 4); }
  void U16(uint64_t value) { Little(value, 2); }
  void U32(uint64_t value) { Little(value, 4); }
  void U64(uint64_t value) { Little(value, 8); }
  void Raw(const uint8_t* bytes, size_t count) { bytes_.insert(bytes_.end(), bytes, bytes + count); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  void Little(uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  std::vector<uint8_t> bytes_;
};

// The bytes between "WAVE" and the data's own bytes: fmt, fact, data's id.
uint32_t FormatBytes(const WaveLayout& layout) { return layout.channelMask != 0 ? 40 : layout.floatingPoint ? 18 : 16; }
size_t ChunkBytesBeforeData(const WaveLayout& layout) {
  return 8 + FormatBytes(layout) + (layout.floatingPoint ? 12 : 0) + 8;
}

// riffBytes and dataBytes as the header's 32-bit fields hold them.
std::vector<uint8_t> Header(const WaveLayout& layout, uint64_t riffField, uint64_t dataField, uint64_t frames,
                            bool rf64, uint64_t dataBytes, uint64_t riffBytes) {
  Bytes out;
  out.Text(rf64 ? "RF64" : "RIFF");
  out.U32(rf64 ? kLargestChunk : riffField);
  out.Text("WAVE");
  if (rf64) {
    out.Text("ds64");
    out.U32(28);
    out.U64(riffBytes);
    out.U64(dataBytes);
    out.U64(frames);
    out.U32(0);  // no table of other chunks' sizes
  }
  out.Text("fmt ");
  const uint16_t plainFormat = layout.floatingPoint ? kFormatIeeeFloat : kFormatPcm;
  out.U32(FormatBytes(layout));
  out.U16(layout.channelMask != 0 ? kFormatExtensible : plainFormat);
  out.U16(layout.channels);
  out.U32(layout.rate);
  out.U32(uint64_t{layout.rate} * layout.FrameBytes());
  out.U16(layout.FrameBytes());
  out.U16(layout.bitsPerSample);
  if (layout.channelMask != 0) {
    out.U16(22);  // the extension's bytes
    out.U16(layout.bitsPerSample);  // all of them valid
    out.U32(layout.channelMask);
    out.U16(plainFormat);
    out.Raw(kSubFormatTail, sizeof kSubFormatTail);
  } else if (layout.floatingPoint) {
    out.U16(0);  // no extension
  }
  if (layout.floatingPoint) {
    out.Text("fact");
    out.U32(4);
    out.U32(std::min(frames, kLargestChunk));
  }
  out.Text("data");
  out.U32(rf64 ? kLargestChunk : dataField);
  return out.Take();
}

}  // namespace

uint64_t LargestRiffData(const WaveLayout& layout) {
  // The size counts "WAVE", the chunks before the data and a pad byte.
  return kLargestChunk - 4 - ChunkBytesBeforeData(layout) - 1;
}

std::vector<uint8_t> WaveHeader(const WaveLayout& layout, uint64_t dataBytes, uint64_t largestRiffData) {
  const uint64_t frames = dataBytes / std::max<uint32_t>(layout.FrameBytes(), 1);
  const uint64_t pad = dataBytes % 2;
  const bool rf64 = dataBytes > largestRiffData;
  const uint64_t riffBytes = 4 + ChunkBytesBeforeData(layout) + (rf64 ? kRf64ExtraBytes : 0) + dataBytes + pad;
  return Header(layout, riffBytes, dataBytes, frames, rf64, dataBytes, riffBytes);
}

std::vector<uint8_t> WaveHeader(const WaveLayout& layout, uint64_t dataBytes) {
  return WaveHeader(layout, dataBytes, LargestRiffData(layout));
}

std::vector<uint8_t> UnknownLengthWaveHeader(const WaveLayout& layout) {
  const uint64_t riffField = 4 + ChunkBytesBeforeData(layout) + kUnknownWaveDataBytes;
  return Header(layout, riffField, kUnknownWaveDataBytes, kUnknownWaveDataBytes / layout.FrameBytes(), false, 0, 0);
}

}  // namespace sondrel
