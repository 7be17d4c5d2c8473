#pragma once
// The fades at the two ends of a play, which keep a tone from starting or
// stopping with a click. A fade of M frames multiplies frame n of the first
// M by g(n) = (1 - cos(pi n / M)) / 2 and frame T-1-n of the last M (T the
// play's frames) by the same g(n): the first and the last frame are 0, and
// frames from M on are the signal's own. A play shorter than 2 M frames gets
// both factors where they overlap. A stop is a play that ends sooner: the
// M frames from the stop on fall to 0. The device outputs and the renders
// apply the same factors, so a render holds what a device plays.
//
// 16-bit samples are rounded to the nearest value, halves to the even one.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/WaveOut.h"

namespace sondrel {

// The play's frames when it has no end of its own (a looping tone).
inline constexpr uint64_t kEndlessPlay = std::numeric_limits<uint64_t>::max();

// Round(ms * rate / 1000) frames; 0 (no fade) for 0 ms.
uint32_t FadeFrames(int32_t fadeMs, int32_t rate);

class PlayFade {
 public:
  PlayFade() = default;
  PlayFade(uint32_t fadeFrames, uint64_t playFrames);

  uint32_t Frames() const { return static_cast<uint32_t>(gains_.size()); }
  uint64_t PlayFrames() const { return playFrames_; }
  // Ends the play `fadeFrames` frames after `frame` (a stop), unless it
  // ends sooner anyway.
  void StopAt(uint64_t frame);
  // False when no frame of [from, from + frames) changes.
  bool Touches(uint64_t from, uint64_t frames) const;
  // The factor of play frame `frame`: 1 outside the fades.
  long double Gain(uint64_t frame) const;

  // Multiplies `frames` interleaved frames of `channels` samples, the first
  // of them play frame `from`.
  void Apply(int16_t* samples, size_t frames, size_t channels, uint64_t from) const;
  // 24-bit samples in the top of 32-bit integers: the 24-bit value rounded.
  void Apply(int32_t* samples, size_t frames, size_t channels, uint64_t from) const;
  void Apply(float* samples, size_t frames, size_t channels, uint64_t from) const;

 private:
  template <typename Sample, typename Scale>
  void ApplyWith(Sample* samples, size_t frames, size_t channels, uint64_t from, Scale scale) const;

  std::vector<long double> gains_;  // g(0) .. g(M-1)
  uint64_t playFrames_ = kEndlessPlay;
};

// The fades of the play a header queues: its frames are its loop count of
// whole buffers, or its play limit.
PlayFade FadeOf(const WAVEHDR& header, size_t frameBytes);
// Play frames [from, from + count) of the header's buffer, pass after pass,
// faded: what a device plays there. Fewer when the play ends sooner or its
// buffer is not synthesized that far yet. For a stop's fade-out, whose
// frames must outlive the buffer.
std::vector<int16_t> FadedFrames(const WAVEHDR& header, size_t frameBytes, const PlayFade& fade, uint64_t from,
                                 uint64_t count);

}  // namespace sondrel
