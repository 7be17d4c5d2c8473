#pragma once
// Plays a script on a sound device with no window: the script core drives a
// panel of its own, and the playback engine plays each signal as the window
// would, waiting for its end. Messages go to standard error; a pause waits for
// Enter when standard input is a terminal and is skipped otherwise, saying
// so. A termination signal (its number in `signal`) ends the sound at once
// and the run after it.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/EngineWindow.h"
#include "engine/Playback.h"
#include "script/PanelHost.h"
#include "terminal/ProgressLine.h"

namespace sondrel {

class WaveOut;

class ScriptPlayer : public PanelHost, public EngineWindow {
 public:
  // pauseWaits: a pause waits for Enter on standard input.
  ScriptPlayer(WaveOut& waveOut, int32_t device, const SignalOptions& options, bool pauseWaits,
               const std::atomic<int>& signal);

  // True once a termination signal has come.
  bool Stopped() const { return signal_.load() != 0; }
  // Takes the progress line off the terminal for a message.
  void ClearProgress() { progress_.Clear(); }
  // The audio played so far, as a render of the same lines would hold it:
  // each signal with its start pause, each delay pass; a signal cut short
  // by a termination signal as far as it got.
  uint64_t AudioFrames() const { return playedFrames_; }

  // ScriptHost
  bool ReadyForLine() override { return !ended_ && !Stopped(); }
  void Play() override;
  bool DelayPass() override;
  void Pause(const std::string& message) override;
  void StartOver(int lineCount) override;
  void End() override { ended_ = true; }
  void InvalidCommand(const std::string& message) override;

  // EngineWindow
  PanelState ReadPanelState() override;
  void SetOnButtonCaption(const std::string&) override {}
  void SetWaveDeviceEnabled(bool) override {}
  void ProcessMessages() override;
  void Sleep(int milliseconds) override;
  void SleepUntil(int milliseconds, const std::function<bool()>& done) override;
  bool ApplicationQuitting() override { return Stopped(); }

 private:
  // Of the signal now on, by the clock.
  uint64_t ElapsedFrames() const;

  Playback playback_;
  int32_t device_;
  bool pauseWaits_;
  const std::atomic<int>& signal_;
  ProgressLine progress_{"playing"};
  uint64_t playedFrames_ = 0;   // of the lines ended so far
  uint64_t signalStart_ = 0;    // milliseconds on the steady clock when the signal now on began
  bool ended_ = false;
  bool passWaited_ = false;     // the pass since the last repeat played or waited
};

}  // namespace sondrel
