#pragma once
// What a --render command line asks for, read and checked before anything is
// opened or written: every problem of the command line itself is found here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/SpeakerLayout.h"
#include "platform/AudioFileWriter.h"

namespace sondrel {

struct RenderRequest {
  std::string script;                       // a path, or "-": standard input
  std::string output;                       // -o: a path, or "-": standard output
  double maxSeconds = 3600;                 // at least one frame at the lowest rate, at most 1e9
  std::string maxSecondsText = "3600";      // as given, for the note of a render cut short
  std::optional<int32_t> rate;              // 8000 .. 384000; nothing: the stored setting
  AudioSampleEncoding encoding = AudioSampleEncoding::Pcm16;
  AudioFileFormat format = AudioFileFormat::Wav;
  std::optional<SpeakerLayoutId> speakers;  // nothing: the stored setting

  bool ToStandardOutput() const { return output == "-"; }
};

struct RenderRequestReading {
  std::optional<RenderRequest> request;
  std::string problem;  // for the user, when there is no request
};

inline constexpr int32_t kLowestRenderRate = 8000;    // telephone quality
inline constexpr int32_t kHighestRenderRate = 384000;  // the highest studio rate
// FLAC's three channels are FL FR FC; it has no mark for 2.1's FL FR LFE.
inline constexpr const char* kNoFlac21 = "FLAC has no 2.1 layout (its three channels are FL FR FC): write WAV or raw";

// arguments[0] is "--render".
RenderRequestReading ReadRenderRequest(const std::vector<std::string>& arguments);

}  // namespace sondrel
