// Feeds arbitrary bytes to the preset reader: it must only ever return four
// memories or raise "Invalid numeric input".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/AppError.h"
#include "presets/PresetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  try {
    const sondrel::MemoryBank memories = sondrel::ParsePresets(bytes);
    // What was read writes out and reads back unchanged.
    if (sondrel::ParsePresets(sondrel::FormatPresets(memories)) != memories) std::abort();
  } catch (const sondrel::AppError&) {
  }
  return 0;
}
