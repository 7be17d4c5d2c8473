#pragma once
// The synthesized PCM: one growable block of bytes, sized once before the
// samples are written so that it never moves while a device plays it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel {

class PcmBuffer {
 public:
  // Makes room for `bytes` more bytes in one allocation. Throws
  // "Out of memory while expanding memory stream" when that is not possible,
  // or when the stream would exceed the 4 GiB a device buffer can hold.
  void Reserve(size_t bytes);

  // Adds one 16-bit value, low byte first.
  void AppendSample(int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    bytes_.push_back(static_cast<uint8_t>(bits & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(bits >> 8));
  }

  const uint8_t* Data() const { return bytes_.data(); }
  size_t Size() const { return bytes_.size(); }
  bool Empty() const { return bytes_.empty(); }
  // Releases the storage.
  void Free();

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace sondrel
