#pragma once
// Renders a script into audio instead of playing it: what a listener would
// hear from the device, in order, on a clock of its own. A tone line gives
// the 200 ms pause before a constant tone and then its buffer as many times
// as the device would play it; a noise line the same pause and then its
// duration of noise; a sweep line its buffer once; a delay line 100 ms of
// silence for each pass the window's run would make; pause and rem nothing
// (a pause's message goes to onPause); end ends the audio; repeat starts the
// script over until maxSeconds of audio have been made. The language is
// ScriptRun's, as in the window; errors are the run's own, thrown as
// AppError.
//
// The panel is the one a run starts with: the controls' initial values and
// the stored compatibility options. No Qt, no display, no sound device.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/PanelState.h"

namespace sondrel {

class ScriptFile;

struct RenderSettings {
  double maxSeconds = 3600;  // the audio ends here, on a whole frame
  SignalOptions signal;      // its rate: frames per second of every signal and pause
};

class ScriptRenderer {
 public:
  ScriptRenderer(ScriptFile& file, const RenderSettings& settings);

  // In a surround layout its channel count; otherwise 2 when any tone or
  // sweep the script plays is stereo, else 1. Reads
  // the script through and starts it over.
  int Channels();
  // Runs the script, handing its audio to `write` in interleaved frames of
  // `channels` samples (a mono signal goes to both channels of a stereo
  // file): 16-bit samples, 24-bit ones in the top of 32-bit integers, or
  // floats (WideSamples.h). Returns the frames made.
  template <typename Sample>
  using SampleWriter = std::function<void(const Sample* samples, size_t frames)>;
  uint64_t Render(int channels, const SampleWriter<int16_t>& write);
  uint64_t Render(int channels, const SampleWriter<int32_t>& write);
  uint64_t Render(int channels, const SampleWriter<float>& write);

  // True when the last Render stopped at maxSeconds while a script without
  // "repeat" still had more to play.
  bool CutShort() const { return cutShort_; }

  std::function<void(const std::string& message)> onPause;
  // What a line will not sound as written (SoundNotes), once a line.
  std::function<void(int line, const std::string& note)> onNote;
  std::function<void(uint64_t frames)> onProgress;  // after each piece of audio

 private:
  template <typename Sample>
  class Output;
  class LayoutHost;
  template <typename Sample>
  class AudioHost;
  template <typename Sample>
  uint64_t RenderAs(int channels, const SampleWriter<Sample>& write);

  ScriptFile& file_;
  RenderSettings settings_;
  bool cutShort_ = false;
};

}  // namespace sondrel
