#include "engine/Playback.h"

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/noise/NoiseSynthesis.h"
#include "platform/PlayFade.h"

namespace sondrel {

namespace {
// Counts a StartTone in its wait for as long as it waits, also when an
// error ends the wait.
class WaitScope {
 public:
  explicit WaitScope(int& depth) : depth_(depth) { ++depth_; }
  ~WaitScope() { --depth_; }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  int& depth_;
};
}  // namespace

Playback::~Playback() { CloseDevice(); }

void Playback::StartTone() {
  Playing = true;
  StopRequested = false;
  SampleStream.Free();
  monoStream_.Free();
  window_.SetOnButtonCaption("OFF");
  const PanelState state = window_.ReadPanelState();
  const SpeakerLayout& layout = LayoutOf(Speakers);
  try {
    {
      BusyPointer busy(window_);
      PanelState made = state;
      if (layout.Surround()) made.AlwaysStereo = false;  // one channel, spread below
      const ChannelGains gains = layout.Surround() ? ChannelGains{} : Gains();
      PcmBuffer& synthesized = layout.Surround() ? monoStream_ : SampleStream;
      if (state.SignalType == SignalPage::Sweep) {
        // A long sweep plays as soon as its start is ready; a short one is
        // complete before it plays, as every constant tone is.
        background_ = std::make_unique<BackgroundSynthesis>(made, gains, synthesized);
        background_->WaitForFrames(kHeadStartSeconds * static_cast<size_t>(state.SampleRate));
      } else if (layout.Surround() && state.SignalType == SignalPage::Noise && state.NoiseIndependent) {
        // Each speaker its own noise: made on the speakers, nothing to spread.
        SynthesizeNoiseOnSpeakers(made, SpeakerFactors(layout, ChosenSpeakers, PhaseSign), SampleStream);
      } else {
        SynthesizeSignal(made, gains, synthesized);
      }
      if (layout.Surround() && SampleStream.Empty()) {
        spread_ = std::make_unique<SpeakerSpread>(monoStream_, background_ != nullptr ? &background_->ReadyBytes() : nullptr,
                                                  SpeakerFactors(layout, ChosenSpeakers, PhaseSign), SampleStream);
      }
    }
    if (state.SignalType != SignalPage::Sweep) window_.Sleep(kConstantToneStartPauseMs);
    OpenAndPlay(state, state.WaveDevice, SampleStream);
  } catch (...) {
    ReturnToIdle();  // no tone, no buffer, "ON" again
    throw;
  }
  window_.SetWaveDeviceEnabled(false);
  if (state.Loop) return;

  // A handler run from here may stop the tone (the reset marks the buffer
  // done) or restart it (a looping restart clears the mark again, so this
  // wait goes on until that tone is stopped too).
  {
    const WaitScope waiting(waitDepth_);
    do {
      window_.ProcessMessages();
      window_.SleepUntil(kWaitPollMs, [this] { return (WaveHeader.dwFlags.load() & WHDR_DONE) != 0; });
      CheckDevice();  // a lost device would never mark the buffer done
    } while (!(WaveHeader.dwFlags.load() & WHDR_DONE) && !StopRequested &&
             !window_.ApplicationQuitting());
  }
  StopTone();
}

void Playback::StopTone() {
  if (!Playing) return;
  CloseDevice();
  ReturnToIdle();
}

void Playback::OnButtonClick() {
  if (!Playing) {
    StartTone();
  } else {
    StopTone();
  }
}

void Playback::CheckDevice() {
  if (!Playing || !deviceOpen_) return;
  std::string problem = waveOut_.DeviceLost(WaveOutHandle);
  if (problem.empty() && background_ != nullptr) {
    try {
      background_->ThrowIfFailed();
    } catch (const std::exception& error) {
      problem = error.what();
    }
  }
  if (problem.empty()) return;
  StopTone();
  throw AppError(problem);
}

void Playback::OpenAndPlay(const PanelState& state, int32_t device, const PcmBuffer& stream) {
  const SpeakerLayout& layout = LayoutOf(Speakers);
  const bool stereo = StereoLayout(LeftGain, RightGain, PhaseSign, StereoAlways(state));
  const uint16_t channels = layout.Surround() ? static_cast<uint16_t>(layout.Channels()) : stereo ? 2 : 1;
  WaveFormat.wFormatTag = WAVE_FORMAT_PCM;
  WaveFormat.nChannels = channels;
  WaveFormat.nSamplesPerSec = static_cast<uint32_t>(state.SampleRate);
  WaveFormat.nBlockAlign = static_cast<uint16_t>(channels * 2);
  WaveFormat.nAvgBytesPerSec = WaveFormat.nSamplesPerSec * WaveFormat.nBlockAlign;
  WaveFormat.wBitsPerSample = 16;
  WaveFormat.cbSize = 0;

  WaveHeader.lpData = stream.Data();
  WaveHeader.dwBufferLength = static_cast<uint32_t>(stream.Size());
  WaveHeader.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;  // also clears the last tone's done mark
  WaveHeader.dwLoops = LoopCount(state, static_cast<uint32_t>(stream.Size() / WaveFormat.nBlockAlign));
  WaveHeader.reserved = 0;
  WaveHeader.lpReady = spread_ != nullptr && background_ != nullptr ? &spread_->ReadyBytes()
                       : background_ != nullptr                  ? &background_->ReadyBytes()
                                                                 : nullptr;
  WaveHeader.playLimit = 0;
  WaveHeader.fadeFrames = FadeFrames(state.FadeMs, state.SampleRate);
  if (PeriodicToTheFrame(state.SignalType) && !state.Loop) {
    WaveHeader.playLimit = PlayedFrames(state, static_cast<uint32_t>(stream.Size() / WaveFormat.nBlockAlign)) *
                           WaveFormat.nBlockAlign;
  }

  WaveResult result = waveOut_.Open(&WaveOutHandle, device, WaveFormat);
  if (!result.empty()) throw AppError(result);
  deviceOpen_ = true;
  result = waveOut_.PrepareHeader(WaveOutHandle, &WaveHeader);
  if (result.empty()) result = waveOut_.Write(WaveOutHandle, &WaveHeader);
  if (!result.empty()) {
    CloseDevice();
    throw AppError(result);
  }
}

namespace {
// Noise and the multi-tone play their Duration to the frame:
// Round(Duration * rate), none when negative.
uint64_t FramesToTheFrame(const PanelState& state) {
  const int32_t frames = Round(StrToFloat(state.Duration) * static_cast<long double>(state.SampleRate));
  return frames > 0 ? static_cast<uint64_t>(frames) : 0;
}
}  // namespace

uint32_t LoopCount(const PanelState& state, uint32_t frames) {
  if (state.Loop) return kLoopForever;
  if (PlayedOnce(state.SignalType)) return 1;
  if (PeriodicToTheFrame(state.SignalType)) {
    if (frames == 0) return 0;
    return static_cast<uint32_t>((FramesToTheFrame(state) + frames - 1) / frames);
  }
  // The constant tone plays Duration rounded to whole buffers.
  const long double samples = StrToFloat(state.Duration) * static_cast<long double>(state.SampleRate);
  if (frames == 0) throw AppError(samples == 0 ? kInvalidOperation : kDivisionByZero);
  const int32_t loops = Round(samples / frames);
  // A negative duration plays nothing rather than wrapping to an almost
  // endless count.
  return loops > 0 ? static_cast<uint32_t>(loops) : 0;
}

uint64_t PlayedFrames(const PanelState& state, uint32_t frames) {
  if (PeriodicToTheFrame(state.SignalType) && !state.Loop) return frames == 0 ? 0 : FramesToTheFrame(state);
  return uint64_t{LoopCount(state, frames)} * frames;
}

void Playback::CloseDevice() {
  if (!deviceOpen_) return;
  waveOut_.Reset(WaveOutHandle);
  waveOut_.UnprepareHeader(WaveOutHandle, &WaveHeader);
  waveOut_.Close(WaveOutHandle);
  deviceOpen_ = false;
}

void Playback::ReturnToIdle() {
  spread_.reset();      // it reads what the synthesis writes: it ends first,
  background_.reset();  // then the synthesis's threads, which write into the buffer
  SampleStream.Free();
  monoStream_.Free();
  Playing = false;
  window_.SetWaveDeviceEnabled(true);
  window_.SetOnButtonCaption("ON");
}

}  // namespace sondrel
