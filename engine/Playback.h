#pragma once
// The playback engine: switches the tone on and off. StartTone synthesizes
// the whole buffer, opens the chosen device and queues the buffer once with a
// loop count; the device repeats it by itself. Without Loop, StartTone waits
// for the end, keeping the window's messages flowing, and then switches off.
//
// Everything runs on the GUI thread. Handlers may run inside the wait and
// call StopTone or even StartTone again; the members below are shared by all
// of those calls, which is what keeps the nesting consistent.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/EngineWindow.h"
#include "engine/PanelState.h"
#include "engine/PcmBuffer.h"
#include "engine/SpeakerSpread.h"
#include "engine/SynthesisJob.h"
#include "platform/WaveOut.h"

namespace sondrel {

inline constexpr uint32_t kLoopForever = 0xFFFFFFFF;
inline constexpr int kConstantToneStartPauseMs = 200;
inline constexpr int kWaitPollMs = 50;
// A sweep longer than this starts playing once this much of it is
// synthesized; the rest follows in the background, far ahead of the device.
inline constexpr size_t kHeadStartSeconds = 30;

// How many times the device plays a buffer of `frames` frames: without end
// with Loop, once for a sweep, for a constant tone Duration rounded to whole
// buffers (0 for a negative Duration), and for noise as many passes as
// cover its Duration. Throws AppError for an empty constant-tone buffer.
uint32_t LoopCount(const PanelState& state, uint32_t frames);
// The frames a one-shot signal plays from a buffer of `frames` frames: its
// loop count of whole buffers, but noise exactly its Duration rounded to a
// frame, ending within a pass. Throws like LoopCount.
uint64_t PlayedFrames(const PanelState& state, uint32_t frames);

class Playback {
 public:
  Playback(WaveOut& waveOut, EngineWindow& window) : waveOut_(waveOut), window_(window) {}
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;
  ~Playback();

  // Switches the tone on with the panel's current values. Requires Playing
  // to be false. A start that fails (a parameter that does not convert, a
  // device that will not open) is undone before the error is thrown, so the
  // engine is idle again.
  void StartTone();
  // Switches the tone off; does nothing when no tone is on.
  void StopTone();
  // StartTone when idle, otherwise StopTone.
  void OnButtonClick();
  // Ends the tone and throws AppError with the reason when its device has
  // gone (unplugged, removed, the sound server stopped) or the synthesis
  // still going on behind a long sweep has failed. A waiting StartTone
  // checks on every pass; a looping tone is checked by whoever watches it.
  void CheckDevice();
  // True while a StartTone waits for a one-shot tone's end.
  bool Waiting() const { return waitDepth_ > 0; }

  ChannelGains Gains() const { return {LeftGain, RightGain, PhaseSign}; }

  bool Playing = false;        // a tone is on
  bool StopRequested = false;  // asks a waiting StartTone to end
  int32_t LeftGain = 1;        // 0 or 1, follows the Left box
  int32_t RightGain = 1;       // 0 or 1, follows the Right box
  int32_t PhaseSign = 1;       // +1 in phase, -1 out of phase
  // In a surround layout the signal is made in mono and plays on the chosen
  // speakers alone, the right-hand ones inverted out of phase; the Left and
  // Right gains then do not count.
  SpeakerLayoutId Speakers = SpeakerLayoutId::Stereo;
  SpeakerSet ChosenSpeakers = 0xFF;
  PcmBuffer SampleStream;      // the buffer the device plays
  WAVEFORMATEX WaveFormat;
  WAVEHDR WaveHeader;
  HWAVEOUT WaveOutHandle = 0;

 private:
  // Describes the buffer to the device and queues it. Throws AppError, with
  // the device left closed, when the sound system refuses.
  void OpenAndPlay(const PanelState& state, int32_t device, const PcmBuffer& stream);
  void CloseDevice();
  void ReturnToIdle();

  WaveOut& waveOut_;
  EngineWindow& window_;
  std::unique_ptr<BackgroundSynthesis> background_;  // a long sweep's rest, while it plays
  PcmBuffer monoStream_;                   // in a surround layout, the signal before it is spread
  std::unique_ptr<SpeakerSpread> spread_;  // ...over the speakers, into SampleStream
  bool deviceOpen_ = false;
  int waitDepth_ = 0;  // StartTone calls in their wait, nested ones included
};

}  // namespace sondrel
