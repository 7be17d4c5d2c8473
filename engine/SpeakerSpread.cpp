#include "engine/SpeakerSpread.h"

#include <chrono>
#include <cstring>

namespace sondrel {

namespace {
// How often the thread looks for frames newly synthesized.
constexpr auto kFollowInterval = std::chrono::milliseconds(2);
}  // namespace

SpeakerSpread::SpeakerSpread(const PcmBuffer& mono, const std::atomic<size_t>* ready, std::vector<int> factors,
                             PcmBuffer& out)
    : mono_(mono), readyIn_(ready), factors_(std::move(factors)) {
  out.Reserve(mono.Size() * factors_.size());
  out_ = out.Grow(mono.Size() * factors_.size());
  // What is ready now is spread at once, so the device starts on it.
  const size_t frames = mono.Size() / 2;
  const size_t now = readyIn_ == nullptr ? frames : readyIn_->load(std::memory_order_acquire) / 2;
  if (Spread(0, now) < frames) thread_ = std::thread([this, now] { Follow(now); });
}

SpeakerSpread::~SpeakerSpread() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

size_t SpeakerSpread::Spread(size_t from, size_t to) {
  const uint8_t* in = mono_.Data();
  const size_t channels = factors_.size();
  for (size_t frame = from; frame < to; ++frame) {
    int16_t sample = 0;
    std::memcpy(&sample, in + frame * 2, 2);
    for (size_t channel = 0; channel < channels; ++channel) {
      const int factor = factors_[channel];
      const int16_t value = factor == 0 ? int16_t{0} : factor > 0 ? sample : static_cast<int16_t>(-sample);
      std::memcpy(out_ + (frame * channels + channel) * 2, &value, 2);
    }
  }
  readyOut_.store(to * channels * 2, std::memory_order_release);
  return to;
}

void SpeakerSpread::Follow(size_t done) {
  const size_t frames = mono_.Size() / 2;
  while (done < frames && !stop_) {
    const size_t ready = readyIn_->load(std::memory_order_acquire) / 2;
    if (ready > done) {
      done = Spread(done, ready);
    } else {
      std::this_thread::sleep_for(kFollowInterval);
    }
  }
}

}  // namespace sondrel
