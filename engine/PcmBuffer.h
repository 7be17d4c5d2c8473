#pragma once
// The synthesized PCM: one block of bytes, sized once before the samples are
// written so that it never moves while a device plays it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace sondrel {

class PcmBuffer {
 public:
  // The storage: from malloc, so that large blocks can be aligned to huge pages.
  struct FreeBlock {
    void operator()(uint8_t* block) const;
  };
  using Block = std::unique_ptr<uint8_t[], FreeBlock>;

  PcmBuffer() = default;
  PcmBuffer(const PcmBuffer&) = delete;  // one owner: a device may be playing it
  PcmBuffer& operator=(const PcmBuffer&) = delete;
  PcmBuffer(PcmBuffer&& other) noexcept
      : data_(std::move(other.data_)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  PcmBuffer& operator=(PcmBuffer&& other) noexcept {
    if (this != &other) {
      Free();
      data_ = std::move(other.data_);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }
  ~PcmBuffer();

  // Makes room for `bytes` more bytes in one allocation. Throws
  // "Out of memory while expanding memory stream" when that is not possible,
  // or when the stream would exceed the 4 GiB a device buffer can hold.
  void Reserve(size_t bytes);

  // Adds one 16-bit value, low byte first, within the reserved room.
  void AppendSample(int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    EnsureRoom(2);
    data_[size_++] = static_cast<uint8_t>(bits & 0xFF);
    data_[size_++] = static_cast<uint8_t>(bits >> 8);
  }

  // Adds `bytes` bytes for the caller to fill (they start undefined) and
  // returns where they begin, for writers that fill the buffer out of order.
  uint8_t* Grow(size_t bytes) {
    EnsureRoom(bytes);
    uint8_t* start = data_.get() + size_;
    size_ += bytes;
    return start;
  }

  const uint8_t* Data() const { return data_.get(); }
  size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  // Releases the storage (a large block is kept for the next buffer).
  void Free();

 private:
  void EnsureRoom(size_t bytes) {
    if (size_ + bytes > capacity_) Reserve(bytes > 4096 ? bytes : 4096);
  }

  Block data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace sondrel
