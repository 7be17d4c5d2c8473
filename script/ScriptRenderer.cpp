#include "script/ScriptRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/PcmBuffer.h"
#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "engine/SynthesisJob.h"
#include "script/ScriptFile.h"

namespace sondrel {

namespace {
constexpr uint64_t kStartPauseFrames = kFramesPerSecond * kConstantToneStartPauseMs / 1000;  // 8820
constexpr uint64_t kDelayPassFrames = kFramesPerSecond / 10;                                // 4410, 100 ms
// Writes go out in pieces of about this many frames.
constexpr size_t kPieceFrames = 1 << 15;
}  // namespace

// The audio as it leaves, with the count that ends it.
class ScriptRenderer::Output {
 public:
  Output(int channels, uint64_t limit, const std::function<void(const int16_t*, size_t)>& write,
         const std::function<void(uint64_t)>& progress)
      : channels_(channels), limit_(limit), write_(write), progress_(progress) {}

  uint64_t Frames() const { return frames_; }
  int Channels() const { return channels_; }
  bool Full() const { return frames_ >= limit_; }

  // frames of silence; false once the end is reached.
  bool Silence(uint64_t frames) {
    const std::vector<int16_t> zeros(kPieceFrames * static_cast<size_t>(channels_), 0);
    while (frames > 0 && !Full()) {
      const uint64_t piece = std::min<uint64_t>(frames, kPieceFrames);
      Put(zeros.data(), piece);
      frames -= piece;
    }
    return !Full();
  }

  // A sweep in the file's layout, played once, written piece by piece as
  // its background synthesis finishes them: writing overlaps synthesizing.
  bool Stream(BackgroundSynthesis& synthesis, const PcmBuffer& buffer) {
    const size_t frames = buffer.Size() / (2 * static_cast<size_t>(channels_));
    for (size_t start = 0; start < frames && !Full(); start += kPieceFrames) {
      const size_t piece = std::min<size_t>(kPieceFrames, frames - start);
      synthesis.WaitForFrames(start + piece);
      Put(reinterpret_cast<const int16_t*>(buffer.Data()) + start * static_cast<size_t>(channels_), piece);
    }
    return !Full();
  }

  // A synthesized buffer (16-bit, low byte first) `loops` times over.
  bool Buffer(const PcmBuffer& buffer, bool stereoSource, uint64_t loops) {
    const size_t sourceChannels = stereoSource ? 2 : 1;
    const size_t frames = buffer.Size() / (2 * sourceChannels);
    if (frames == 0 || loops == 0) return !Full();
    if (stereoSource == (channels_ == 2) && loops == 1) {  // straight from the buffer
      for (size_t start = 0; start < frames && !Full(); start += kPieceFrames) {
        Put(reinterpret_cast<const int16_t*>(buffer.Data()) + start * sourceChannels,
            std::min<uint64_t>(kPieceFrames, frames - start));
      }
      return !Full();
    }
    // The buffer in the file's layout, repeated to a piece of whole buffers.
    std::vector<int16_t> piece;
    const uint64_t copies = std::clamp<uint64_t>(kPieceFrames / frames, 1, loops);
    piece.reserve(copies * frames * static_cast<size_t>(channels_));
    for (uint64_t copy = 0; copy < copies; ++copy) {
      for (size_t frame = 0; frame < frames; ++frame) {
        int16_t left = 0, right = 0;
        std::memcpy(&left, buffer.Data() + frame * 2 * sourceChannels, 2);
        right = left;
        if (stereoSource) std::memcpy(&right, buffer.Data() + frame * 4 + 2, 2);
        piece.push_back(left);
        if (channels_ == 2) piece.push_back(right);
      }
    }
    for (uint64_t done = 0; done < loops && !Full(); done += copies) {
      Put(piece.data(), std::min(copies, loops - done) * frames);
    }
    return !Full();
  }

 private:
  void Put(const int16_t* samples, uint64_t frames) {
    frames = std::min(frames, limit_ - frames_);
    write_(samples, static_cast<size_t>(frames));
    frames_ += frames;
    if (progress_) progress_(frames_);
  }

  int channels_;
  uint64_t limit_;
  uint64_t frames_ = 0;
  const std::function<void(const int16_t*, size_t)>& write_;
  const std::function<void(uint64_t)>& progress_;
};

ScriptRenderer::ScriptRenderer(ScriptFile& file, const RenderSettings& settings)
    : file_(file), settings_(settings) {
  panel_.Loop = false;  // a script plays every tone once and waits for its end
  panel_.AlwaysStereo = settings.alwaysStereo;
  panel_.LongBuffer = settings.longBuffer;
}

int ScriptRenderer::Channels() {
  ChannelGains gains = gains_;
  bool stereo = false;
  for (;;) {
    const ScriptWords words = SplitWords(file_.ReadLine());
    const std::string& command = words[0];
    if (command == "tone") {
      const ChannelChoice channels = ChannelsOf(words[5]);
      gains = {channels.left ? 1 : 0, channels.right ? 1 : 0, InPhaseOf(words[6]) ? 1 : -1};
    } else if (command != "sweep" && command != "pause" && command != "delay" && command != "rem") {
      break;  // end, repeat, or the end of the run on an invalid command
    }
    if (command == "tone" || command == "sweep") {
      stereo = stereo || StereoLayout(gains.LeftGain, gains.RightGain, gains.PhaseSign, settings_.alwaysStereo);
    }
  }
  file_.Rewind();
  return stereo ? 2 : 1;
}

void ScriptRenderer::SetTone(const ScriptWords& words) {
  panel_.SignalType = SignalPage::Constant;
  panel_.fEdit = words[1];
  panel_.Duration = words[2];
  panel_.Amplitude = words[3];
  panel_.WaveForm = WaveFormOf(words[4]);
  // The channel boxes, then the phase box, as the script sets them.
  const ChannelChoice channels = ChannelsOf(words[5]);
  gains_ = {channels.left ? 1 : 0, channels.right ? 1 : 0, InPhaseOf(words[6]) ? 1 : -1};
}

void ScriptRenderer::SetSweep(const ScriptWords& words) {
  panel_.SignalType = SignalPage::Sweep;
  panel_.fInit = words[1];
  panel_.fFinal = words[2];
  panel_.Duration = words[3];
  panel_.Amplitude = words[4];
  panel_.WaveForm = WaveFormOf(words[5]);
}

// What StartTone would play: synthesis, the constant tone's pause, the
// buffer its loop count of times.
bool ScriptRenderer::Play(Output& out) {
  PcmBuffer buffer;
  const bool stereo = StereoLayout(gains_.LeftGain, gains_.RightGain, gains_.PhaseSign, panel_.AlwaysStereo);
  if (panel_.SignalType == SignalPage::Sweep && stereo == (out.Channels() == 2)) {
    BackgroundSynthesis synthesis(panel_, gains_, buffer);
    return out.Stream(synthesis, buffer);
  }
  SynthesizeSignal(panel_, gains_, buffer);
  const uint32_t frames = static_cast<uint32_t>(buffer.Size() / (stereo ? 4 : 2));
  if (panel_.SignalType == SignalPage::Constant) {
    if (!out.Silence(kStartPauseFrames)) return false;
  }
  return out.Buffer(buffer, stereo, LoopCount(panel_, frames));
}

// The interpreter's passes: at least one, then until passes >= seconds * 10.
bool ScriptRenderer::Delay(const std::string& seconds, Output& out) {
  const long double wanted = std::ceil(StrToFloat(seconds) * 10);
  const long double passes = std::max(1.0L, wanted);
  const long double room = static_cast<long double>(UINT64_MAX / kDelayPassFrames);
  return out.Silence(static_cast<uint64_t>(std::min(passes, room)) * kDelayPassFrames);
}

uint64_t ScriptRenderer::Render(int channels, const std::function<void(const int16_t*, size_t)>& write) {
  const auto limit = static_cast<uint64_t>(std::floor(std::max(0.0, settings_.maxSeconds) * kFramesPerSecond));
  Output out(channels, limit, write, onProgress);
  int lineCount = 0;
  uint64_t passStart = 0;  // frames when the script last started over
  while (!out.Full()) {
    const ScriptWords words = SplitWords(file_.ReadLine());
    ++lineCount;
    const std::string& command = words[0];
    if (command == "tone") {
      SetTone(words);
      if (!Play(out)) break;
    } else if (command == "sweep") {
      SetSweep(words);
      if (!Play(out)) break;
    } else if (command == "delay") {
      if (!Delay(words[1], out)) break;
    } else if (command == "pause") {
      if (onPause) onPause("Pause in script. Press OK to continue");
    } else if (command == "rem") {
    } else if (command == "repeat") {
      // Played live, such a script waits for the user to stop it; rendered,
      // it would never end.
      if (out.Frames() == passStart) {
        throw AppError("The script repeats without any sound or silence before \"repeat\" in line " +
                       std::to_string(lineCount));
      }
      passStart = out.Frames();
      file_.Rewind();
      lineCount = 0;
    } else if (command == "end") {
      break;
    } else {
      throw AppError("Invalid command in line " + std::to_string(lineCount));
    }
  }
  return out.Frames();
}

}  // namespace sondrel
