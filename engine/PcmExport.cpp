#include "engine/PcmExport.h"

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "platform/AtomicFile.h"

namespace sondrel {

void WritePcmFile(const std::string& path, const PcmBuffer& samples,
                  const std::vector<uint8_t>& header) {
  const AtomicWriteResult result =
      WriteFileAtomically(path, {{header.data(), header.size()}, {samples.Data(), samples.Size()}});
  switch (result.status) {
    case AtomicWriteResult::Status::Ok:
      return;
    case AtomicWriteResult::Status::CannotCreate:
      throw AppError("Cannot create file " + path);
    case AtomicWriteResult::Status::WriteFailed:
      throw AppError("Stream write error");
  }
}

std::vector<uint8_t> WaveFileHeader(uint16_t channels, uint32_t dataBytes, uint32_t rate) {
  std::vector<uint8_t> bytes;
  bytes.reserve(44);
  auto text = [&](const char* fourCharacters) { bytes.insert(bytes.end(), fourCharacters, fourCharacters + 4); };
  auto u16 = [&](uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  };
  auto u32 = [&](uint32_t value) {
    u16(value & 0xFFFF);
    u16(value >> 16);
  };
  const uint32_t blockAlign = 2u * channels;
  text("RIFF");
  u32(36 + dataBytes);
  text("WAVE");
  text("fmt ");
  u32(16);  // size of the format chunk
  u16(1);   // PCM
  u16(channels);
  u32(rate);
  u32(rate * blockAlign);
  u16(blockAlign);
  u16(16);  // bits per sample
  text("data");
  u32(dataBytes);
  return bytes;
}

}  // namespace sondrel
