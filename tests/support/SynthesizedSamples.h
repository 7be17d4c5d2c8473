#pragma once
// A signal's 16-bit samples as the fast synthesizer and the reference make
// them, for the tests that compare the two.

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/PcmBuffer.h"
#include "engine/Synthesis.h"

namespace sondrel::testing_support {

inline std::vector<int16_t> Samples(const PcmBuffer& buffer) {
  std::vector<int16_t> samples(buffer.Size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), buffer.Data(), buffer.Size());
  return samples;
}

inline std::vector<int16_t> FastSamples(const PanelState& state, const ChannelGains& gains = {}) {
  PcmBuffer buffer;
  SynthesizeSignal(state, gains, buffer);
  return Samples(buffer);
}

inline std::vector<int16_t> ReferenceSamples(const PanelState& state, const ChannelGains& gains = {}) {
  PcmBuffer buffer;
  SynthesizeSignalReference(state, gains, buffer);
  return Samples(buffer);
}

}  // namespace sondrel::testing_support
