#include "engine/PcmBuffer.h"

#include <new>

#include "engine/AppError.h"

namespace sondrel {

void PcmBuffer::Reserve(size_t bytes) {
  constexpr size_t kLargestBuffer = 0xFFFFFFFFu;
  if (bytes > kLargestBuffer - bytes_.size()) throw AppError(kOutOfMemory);
  try {
    bytes_.reserve(bytes_.size() + bytes);
  } catch (const std::bad_alloc&) {
    throw AppError(kOutOfMemory);
  } catch (const std::length_error&) {
    throw AppError(kOutOfMemory);
  }
}

void PcmBuffer::Free() {
  std::vector<uint8_t>().swap(bytes_);
}

}  // namespace sondrel
