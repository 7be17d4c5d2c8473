#include "script/ScriptRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/PcmBuffer.h"
#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "engine/WideSamples.h"
#include "engine/noise/NoiseSynthesis.h"
#include "platform/PlayFade.h"
#include "script/ScriptFile.h"
#include "script/PanelHost.h"
#include "script/ScriptRun.h"

namespace sondrel {

namespace {
// Writes go out in pieces of about this many frames.
constexpr size_t kPieceFrames = 1 << 15;
// A sweep is made in pieces of this many frames (24 s at 44100 frames a
// second; 8 MiB as stereo floats).
constexpr int32_t kSweepPieceFrames = 1 << 20;

}  // namespace

// The audio as it leaves, with the count that ends it: 16-bit samples,
// 24-bit ones in 32-bit integers, or floats.
template <typename Sample>
class ScriptRenderer::Output {
 public:
  Output(int channels, uint64_t limit, const SampleWriter<Sample>& write, const std::function<void(uint64_t)>& progress)
      : channels_(channels), limit_(limit), write_(write), progress_(progress) {}

  uint64_t Frames() const { return frames_; }
  int Channels() const { return channels_; }
  bool Full() const { return frames_ >= limit_; }
  // Some audio found no room: the end came before the script's.
  bool Cut() const { return cut_; }
  // True when there is room for more; otherwise `frames` more are cut.
  bool Room(uint64_t frames) {
    if (Full() && frames > 0) cut_ = true;
    return !Full();
  }

  // frames of silence; false once the end is reached.
  bool Silence(uint64_t frames) {
    if (!Room(frames)) return false;
    if (zeros_.empty()) zeros_.assign(kPieceFrames * static_cast<size_t>(channels_), 0);
    while (frames > 0 && !Full()) {
      const uint64_t piece = std::min<uint64_t>(frames, kPieceFrames);
      Put(zeros_.data(), piece);
      frames -= piece;
    }
    return !Full();
  }

  // The fades of the play the next buffers hold, its first frame the next
  // one written, until EndPlay.
  void BeginPlay(const PlayFade& fade) {
    fade_ = fade;
    playFrame_ = 0;
  }
  void EndPlay() { fade_ = PlayFade(); }

  // Frames already in the file's layout (`frames` of them), over and over,
  // `total` frames in all.
  bool LaidOut(const Sample* values, size_t frames, uint64_t total) {
    if (frames == 0 || !Room(total)) return !Full();
    for (uint64_t done = 0; done < total && !Full();) {
      const uint64_t at = done % frames;
      const uint64_t piece = std::min<uint64_t>({frames - at, total - done, kPieceFrames});
      Put(values + at * static_cast<size_t>(channels_), piece);
      done += piece;
    }
    return !Full();
  }

  // Where the signals that follow play in a surround layout: a factor for
  // each of the file's channels (SpeakerFactors); empty for Stereo.
  void Place(std::vector<int> factors) { factors_ = std::move(factors); }

  // A synthesized buffer of interleaved frames over and over, `total`
  // frames in all: whole passes, and part of one where the total says so.
  bool Buffer(const Sample* values, size_t frames, bool stereoSource, uint64_t total) {
    const size_t sourceChannels = stereoSource ? 2 : 1;
    if (frames == 0 || !Room(total)) return !Full();
    if (factors_.empty() && stereoSource == (channels_ == 2) && total <= frames) {  // straight from the buffer
      for (size_t start = 0; start < total && !Full(); start += kPieceFrames) {
        Put(values + start * sourceChannels, std::min<uint64_t>(kPieceFrames, total - start));
      }
      return !Full();
    }
    // The buffer in the file's layout, repeated to a piece of whole buffers.
    std::vector<Sample>& piece = laidOut_;
    piece.clear();
    const uint64_t copies = std::clamp<uint64_t>(kPieceFrames / frames, 1, (total + frames - 1) / frames);
    piece.reserve(copies * frames * static_cast<size_t>(channels_));
    for (uint64_t copy = 0; copy < copies; ++copy) {
      for (size_t frame = 0; frame < frames; ++frame) {
        const Sample left = values[frame * sourceChannels];
        const Sample right = stereoSource ? values[frame * 2 + 1] : left;
        if (!factors_.empty()) {
          // The signal is one channel here (both alike when stereo is forced).
          for (int factor : factors_) piece.push_back(factor == 0 ? Sample{0} : factor > 0 ? left : Sample(-left));
          continue;
        }
        piece.push_back(left);
        if (channels_ == 2) piece.push_back(right);
      }
    }
    for (uint64_t done = 0; done < total && !Full(); done += copies * frames) {
      Put(piece.data(), std::min(copies * frames, total - done));
    }
    return !Full();
  }

 private:
  void Put(const Sample* samples, uint64_t frames) {
    if (frames > limit_ - frames_) cut_ = true;
    frames = std::min(frames, limit_ - frames_);
    if (fade_.Touches(playFrame_, frames)) {
      faded_.assign(samples, samples + frames * static_cast<size_t>(channels_));
      fade_.Apply(faded_.data(), static_cast<size_t>(frames), static_cast<size_t>(channels_), playFrame_);
      samples = faded_.data();
    }
    playFrame_ += frames;
    write_(samples, static_cast<size_t>(frames));
    frames_ += frames;
    if (progress_) progress_(frames_);
  }

  int channels_;
  uint64_t limit_;
  uint64_t frames_ = 0;
  const SampleWriter<Sample>& write_;
  const std::function<void(uint64_t)>& progress_;
  bool cut_ = false;
  std::vector<int> factors_;
  std::vector<Sample> laidOut_;  // a buffer in the file's layout; its room is kept
  std::vector<Sample> zeros_;  // a piece of silence, made at its first use
  PlayFade fade_;              // of the play being written
  uint64_t playFrame_ = 0;     // ...its frames written so far
  std::vector<Sample> faded_;  // frames in a fade
};

// Reads the script through once, without audio, to learn whether any
// signal it plays is stereo. It stops at the first repeat (a second pass
// plays what the first did) and at an error, which the render itself will
// meet at the same line or before.
class ScriptRenderer::LayoutHost : public PanelHost {
 public:
  using PanelHost::PanelHost;
  bool AnyStereo() const { return stereo_; }

  bool ReadyForLine() override { return !stopped_; }
  void Play() override { stereo_ = stereo_ || Stereo(); }
  bool DelayPass() override { return false; }
  void Pause(const std::string&) override {}
  void StartOver(int) override { stopped_ = true; }
  void InvalidCommand(const std::string&) override {}

 private:
  bool stereo_ = false;
  bool stopped_ = false;
};

// Turns each line into the audio a listener would hear.
template <typename Sample>
class ScriptRenderer::AudioHost : public PanelHost {
 public:
  AudioHost(const RenderSettings& settings, Output<Sample>& out, const std::function<void(const std::string&)>& onPause)
      : PanelHost(settings.signal), out_(out), onPause_(onPause) {}

  // Once full, a line still runs to learn whether it had audio to add.
  bool ReadyForLine() override { return !out_.Cut() && !ended_; }
  void Play() override;
  bool DelayPass() override { return out_.Silence(FramesOf(kDelayPassMs, panel_.SampleRate)); }
  void Pause(const std::string& message) override {
    if (onPause_) onPause_(message);
  }
  // Played live, a script that repeats without sound waits for the user to
  // stop it; rendered, it would never end.
  bool Repeated() const { return repeated_; }
  bool Ended() const { return ended_; }
  void StartOver(int lineCount) override {
    repeated_ = true;
    if (out_.Frames() == passStart_) {
      throw AppError("The script repeats without any sound or silence before \"repeat\" in line " +
                     std::to_string(lineCount));
    }
    passStart_ = out_.Frames();
  }
  void End() override { ended_ = true; }
  void InvalidCommand(const std::string&) override { throw AppError(NotACommand()); }

 private:
  void Synthesize(int32_t from, int32_t to);

  Output<Sample>& out_;
  std::vector<Sample> values_;  // the signal or the piece of it being written
  const std::function<void(const std::string&)>& onPause_;
  uint64_t passStart_ = 0;  // frames when the script last started over
  bool ended_ = false;
  bool repeated_ = false;
};

// What StartTone would play: synthesis, the pause before a constant tone or
// noise, the buffer as long as the device would play it.
template <typename Sample>
void ScriptRenderer::AudioHost<Sample>::Play() {
  NoteWhatWillNotSound();
  const bool stereo = Stereo();
  const size_t channels = stereo ? 2 : 1;
  out_.Place(Placement());
  // The start pause (none before a sweep), then the buffer as long as the
  // device would play it, faded: in the signal's own layout, or `laidOut`
  // in the file's already.
  auto play = [&](const Sample* values, size_t frames, bool laidOut) {
    const uint64_t played = PlayedFrames(panel_, static_cast<uint32_t>(frames));
    if (panel_.SignalType != SignalPage::Sweep &&
        !out_.Silence(FramesOf(kConstantToneStartPauseMs, panel_.SampleRate))) {
      return;
    }
    out_.BeginPlay(PlayFade(FadeFrames(panel_.FadeMs, panel_.SampleRate), played));
    if (laidOut) {
      out_.LaidOut(values, frames, played);
    } else {
      out_.Buffer(values, frames, stereo, played);
    }
    out_.EndPlay();
  };
  if (panel_.SignalType == SignalPage::Sweep) {
    // Played once, a sweep of hours is made and written a piece at a time.
    const int32_t frames = std::max(SignalRun(panel_).N, 0);
    out_.BeginPlay(PlayFade(FadeFrames(panel_.FadeMs, panel_.SampleRate), static_cast<uint64_t>(frames)));
    for (int32_t from = 0; from < frames && out_.Room(static_cast<uint64_t>(frames - from)); from += kSweepPieceFrames) {
      const int32_t to = static_cast<int32_t>(std::min<int64_t>(frames, int64_t{from} + kSweepPieceFrames));
      Synthesize(from, to);
      out_.Buffer(values_.data(), values_.size() / channels, stereo, values_.size() / channels);
    }
    out_.EndPlay();
    return;
  }
  if (NoiseOnSpeakers()) {  // each speaker its own noise, made in the file's layout
    const std::vector<int> factors = Placement();
    if constexpr (std::is_same_v<Sample, int16_t>) {
      PcmBuffer buffer;
      SynthesizeNoiseOnSpeakers(panel_, factors, buffer);
      const auto* samples = reinterpret_cast<const int16_t*>(buffer.Data());
      values_.assign(samples, samples + buffer.Size() / 2);
    } else if constexpr (std::is_same_v<Sample, float>) {
      NoiseOnSpeakersF32(panel_, factors, values_);
    } else {
      NoiseOnSpeakersS24(panel_, factors, values_);
    }
    play(values_.data(), values_.size() / factors.size(), true);
    return;
  }
  Synthesize(0, -1);
  play(values_.data(), values_.size() / channels, false);
}

// The panel's signal, or frames [from, to) of it, into values_ in the sample
// format. The room is kept from one signal to the next.
template <typename Sample>
void ScriptRenderer::AudioHost<Sample>::Synthesize(int32_t from, int32_t to) {
  if constexpr (std::is_same_v<Sample, int16_t>) {
    if (to >= 0) {
      values_.resize(static_cast<size_t>(to - from) * (Stereo() ? 2 : 1));
      SynthesizeSignalPiece(panel_, SignalGains(), from, to, values_.data());
      return;
    }
    PcmBuffer buffer;
    SynthesizeSignal(panel_, SignalGains(), buffer);
    const auto* samples = reinterpret_cast<const int16_t*>(buffer.Data());
    values_.assign(samples, samples + buffer.Size() / 2);
  } else if constexpr (std::is_same_v<Sample, float>) {
    SynthesizeF32(panel_, SignalGains(), values_, from, to);
  } else {
    SynthesizeS24(panel_, SignalGains(), values_, from, to);
  }
}

ScriptRenderer::ScriptRenderer(ScriptFile& file, const RenderSettings& settings) : file_(file), settings_(settings) {}

int ScriptRenderer::Channels() {
  LayoutHost layout(settings_.signal);
  try {
    ScriptRun(file_, layout).Run();
  } catch (const AppError&) {
  }
  file_.Rewind();
  const SpeakerLayout& speakers = LayoutOf(settings_.signal.speakers);
  if (speakers.Surround()) return speakers.Channels();
  return layout.AnyStereo() ? 2 : 1;
}

template <typename Sample>
uint64_t ScriptRenderer::RenderAs(int channels, const SampleWriter<Sample>& write) {
  const auto limit = static_cast<uint64_t>(std::floor(std::max(0.0, settings_.maxSeconds) * settings_.signal.rate));
  Output<Sample> out(channels, limit, write, onProgress);
  AudioHost<Sample> audio(settings_, out, onPause);
  audio.onNote = onNote;
  try {
    ScriptRun(file_, audio).Run();
  } catch (const AppError& error) {
    throw AppError(audio.LineProblem(error.what()));
  }
  cutShort_ = out.Cut() && !audio.Repeated();
  return out.Frames();
}

uint64_t ScriptRenderer::Render(int channels, const SampleWriter<int16_t>& write) { return RenderAs(channels, write); }
uint64_t ScriptRenderer::Render(int channels, const SampleWriter<int32_t>& write) { return RenderAs(channels, write); }
uint64_t ScriptRenderer::Render(int channels, const SampleWriter<float>& write) { return RenderAs(channels, write); }

}  // namespace sondrel
