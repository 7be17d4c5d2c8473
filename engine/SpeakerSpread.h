#pragma once
// A one-channel signal spread over the channels of a speaker layout for the
// device: each frame's sample, times the channel's factor (SpeakerFactors:
// 1, -1 or 0), on every channel. A buffer still being synthesized is spread
// as its frames become ready, on a thread of its own, so that a long sweep
// starts as soon as its start is ready, as it does in Stereo.

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

#include "engine/PcmBuffer.h"

namespace sondrel {

class SpeakerSpread {
 public:
  // `ready` counts the bytes of `mono` that are final; null when all are.
  // `out` is sized at once. Throws AppError when it cannot be.
  SpeakerSpread(const PcmBuffer& mono, const std::atomic<size_t>* ready, std::vector<int> factors, PcmBuffer& out);
  // Stops the thread and waits for it: the buffers may go after this.
  ~SpeakerSpread();
  SpeakerSpread(const SpeakerSpread&) = delete;
  SpeakerSpread& operator=(const SpeakerSpread&) = delete;

  // The bytes of `out` ready from the start.
  const std::atomic<size_t>& ReadyBytes() const { return readyOut_; }

 private:
  // Spreads the mono frames [from, to) and returns `to`.
  size_t Spread(size_t from, size_t to);
  // Spreads the frames after `done` as the synthesis makes them.
  void Follow(size_t done);

  const PcmBuffer& mono_;
  const std::atomic<size_t>* readyIn_;
  std::vector<int> factors_;
  uint8_t* out_ = nullptr;
  std::atomic<size_t> readyOut_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace sondrel
