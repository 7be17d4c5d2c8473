#include "platform/PlayFade.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sondrel {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double NearestEven(long double value) { return std::nearbyint(value); }
}  // namespace

uint32_t FadeFrames(int32_t fadeMs, int32_t rate) {
  if (fadeMs <= 0 || rate <= 0) return 0;
  return static_cast<uint32_t>(NearestEven(static_cast<long double>(fadeMs) * rate / 1000));
}

PlayFade::PlayFade(uint32_t fadeFrames, uint64_t playFrames) : playFrames_(playFrames) {
  gains_.resize(fadeFrames);
  for (uint32_t n = 0; n < fadeFrames; ++n) gains_[n] = (1 - std::cos(kPi * n / fadeFrames)) / 2;
}

void PlayFade::StopAt(uint64_t frame) {
  if (frame <= playFrames_ - std::min<uint64_t>(playFrames_, Frames())) playFrames_ = frame + Frames();
}

bool PlayFade::Touches(uint64_t from, uint64_t frames) const {
  if (gains_.empty() || frames == 0) return false;
  const uint64_t fadeOutStart = playFrames_ - std::min<uint64_t>(playFrames_, Frames());
  return from < Frames() || from + frames > fadeOutStart;
}

long double PlayFade::Gain(uint64_t frame) const {
  long double gain = 1;
  if (frame < Frames()) gain = gains_[frame];
  if (frame >= playFrames_) return 0;
  const uint64_t fromEnd = playFrames_ - 1 - frame;
  if (fromEnd < Frames()) gain *= gains_[fromEnd];
  return gain;
}

template <typename Sample, typename Scale>
void PlayFade::ApplyWith(Sample* samples, size_t frames, size_t channels, uint64_t from, Scale scale) const {
  if (!Touches(from, frames)) return;
  for (size_t frame = 0; frame < frames; ++frame) {
    const uint64_t at = from + frame;
    if (at >= Frames() && at < playFrames_ && playFrames_ - at > Frames()) {
      // Between the fades: straight on to the fade-out.
      const uint64_t fadeOutStart = playFrames_ - Frames();
      if (fadeOutStart >= from + frames) return;
      frame = static_cast<size_t>(fadeOutStart - from) - 1;
      continue;
    }
    const long double gain = Gain(at);
    for (size_t channel = 0; channel < channels; ++channel) {
      Sample& sample = samples[frame * channels + channel];
      sample = scale(sample, gain);
    }
  }
}

void PlayFade::Apply(int16_t* samples, size_t frames, size_t channels, uint64_t from) const {
  ApplyWith(samples, frames, channels, from,
            [](int16_t value, long double gain) { return static_cast<int16_t>(NearestEven(value * gain)); });
}

void PlayFade::Apply(int32_t* samples, size_t frames, size_t channels, uint64_t from) const {
  ApplyWith(samples, frames, channels, from, [](int32_t value, long double gain) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(NearestEven((value >> 8) * gain))) << 8);
  });
}

void PlayFade::Apply(float* samples, size_t frames, size_t channels, uint64_t from) const {
  ApplyWith(samples, frames, channels, from,
            [](float value, long double gain) { return static_cast<float>(value * gain); });
}

PlayFade FadeOf(const WAVEHDR& header, size_t frameBytes) {
  const uint64_t frames = header.playLimit != 0 ? header.playLimit / frameBytes
                                                : uint64_t{header.dwLoops} * (header.dwBufferLength / frameBytes);
  return PlayFade(header.fadeFrames, frames);
}

std::vector<int16_t> FadedFrames(const WAVEHDR& header, size_t frameBytes, const PlayFade& fade, uint64_t from,
                                 uint64_t count) {
  const size_t size = header.dwBufferLength - header.dwBufferLength % frameBytes;
  const size_t ready =
      header.lpReady != nullptr ? std::min<size_t>(size, header.lpReady->load(std::memory_order_acquire)) : size;
  const uint64_t end = std::min(from + count, fade.PlayFrames());
  std::vector<int16_t> samples;
  if (size == 0 || end <= from) return samples;
  samples.resize(static_cast<size_t>(end - from) * (frameBytes / 2));
  size_t frames = 0;
  for (uint64_t frame = from; frame < end; ++frame, ++frames) {
    const size_t at = static_cast<size_t>(frame * frameBytes % size);
    if (at + frameBytes > ready) break;  // a sweep not made that far yet
    std::memcpy(samples.data() + frames * (frameBytes / 2), header.lpData + at, frameBytes);
  }
  samples.resize(frames * (frameBytes / 2));
  fade.Apply(samples.data(), frames, frameBytes / 2, from);
  return samples;
}

}  // namespace sondrel
