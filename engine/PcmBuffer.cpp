#include "engine/PcmBuffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "engine/AppError.h"

namespace sondrel {

namespace {

// One freed block kept for the next buffer. Touching fresh memory costs the
// system a page fault for every 4 KiB, which for a long sweep takes longer
// than synthesizing it; every retune frees one buffer and takes another of
// about the same size.
constexpr size_t kSmallestSpare = size_t{1} << 20;
constexpr size_t kLargestSpare = size_t{64} << 20;

// Blocks of at least this size are asked for in huge pages: a long sweep's
// buffer is then touched with a page fault every 2 MiB instead of every
// 4 KiB. The system may decline; the block works all the same.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kSmallestHugeBlock = 4 * kHugePage;

uint8_t* AllocateBlock(size_t bytes) {
  if (bytes < kSmallestHugeBlock) return static_cast<uint8_t*>(std::malloc(bytes));
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);
  return static_cast<uint8_t*>(block);
}

struct Spare {
  std::mutex lock;
  PcmBuffer::Block data;
  size_t capacity = 0;
};

Spare& TheSpare() {
  static Spare spare;
  return spare;
}

}  // namespace

void PcmBuffer::FreeBlock::operator()(uint8_t* block) const { std::free(block); }

void PcmBuffer::Reserve(size_t bytes) {
  constexpr size_t kLargestBuffer = 0xFFFFFFFFu;
  if (bytes > kLargestBuffer - size_) throw AppError(kOutOfMemory);
  if (size_ + bytes <= capacity_) return;
  const size_t capacity = size_ + bytes;
  Block grown;
  size_t grownCapacity = capacity;
  {
    Spare& spare = TheSpare();
    const std::lock_guard<std::mutex> hold(spare.lock);
    if (spare.data && spare.capacity >= capacity && spare.capacity <= 2 * capacity) {
      grown = std::move(spare.data);
      grownCapacity = spare.capacity;
      spare.capacity = 0;
    }
  }
  if (!grown) grown.reset(AllocateBlock(capacity));  // left uninitialised
  if (!grown) throw AppError(kOutOfMemory);
  if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = grownCapacity;
}

void PcmBuffer::Free() {
  if (data_ && capacity_ >= kSmallestSpare && capacity_ <= kLargestSpare) {
    Spare& spare = TheSpare();
    const std::lock_guard<std::mutex> hold(spare.lock);
    if (capacity_ > spare.capacity) {
      spare.data = std::move(data_);
      spare.capacity = capacity_;
    }
  }
  data_.reset();
  size_ = 0;
  capacity_ = 0;
}

PcmBuffer::~PcmBuffer() { Free(); }

}  // namespace sondrel
