#pragma once
// What a script run does to the world outside the language. ScriptRun reads
// the lines and decides what each one sets and does; a host carries it out:
// the window's run works the main window's controls and plays on the device,
// a render keeps a panel of its own and writes audio, a dry run only looks.
//
// A line's settings arrive one at a time, in the order the line writes its
// controls, so that a host whose controls react to each change (the window's
// change handlers) sees them in the order a user's typing would give.

#include <cstdint>
#include <string>

#include "engine/PanelState.h"
#include "engine/SpeakerLayout.h"

namespace sondrel {

// A delay line waits in passes of this length, so that Next, the end of the
// program or a full render can cut it short between two.
inline constexpr int kDelayPassMs = 100;

// Milliseconds as whole frames at the rate: 8820 for the 200 ms start pause
// and 4410 for a 100 ms delay pass at 44100 frames a second.
inline uint64_t FramesOf(int milliseconds, int32_t rate) {
  return (static_cast<uint64_t>(rate) * static_cast<uint64_t>(milliseconds) + 500) / 1000;
}

// The text fields a line writes, named after the controls they fill.
enum class ScriptField {
  fEdit, fInit, fFinal, Duration, Amplitude, ToneList, BurstFrequency, BurstCycles, BurstPeriod,
  DtmfDigits, DtmfToneMs, DtmfGapMs
};

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;

  // Before each line: false ends the run (the window closed, the audio full).
  virtual bool ReadyForLine() = 0;
  // The line about to run: its number since the start or the last repeat,
  // and its command word.
  virtual void BeginLine(int lineCount, const std::string& command, const std::string& line) {
    (void)lineCount;
    (void)command;
    (void)line;
  }
  // After each line, whatever it did.
  virtual void EndLine() {}

  // A signal line: Loop off, then the page it plays on.
  virtual void ShowPage(SignalPage page) = 0;
  virtual void SetField(ScriptField field, const std::string& text) = 0;
  // -1 selects no wave form (silence).
  virtual void SetWaveForm(int32_t index) = 0;
  // The colour list's entry, and pink's band ({0, 0}: none).
  virtual void SetNoiseColour(int32_t index, const NoiseBand& band) = 0;
  // "noisechannels": whether each channel (speaker) gets a noise of its own.
  virtual void SetNoiseChannels(bool independent) = 0;
  // The burst's window list's entry.
  virtual void SetBurstWindow(int32_t index) = 0;
  // "fade": every signal line after it fades in and out over `ms`.
  virtual void SetFade(int32_t ms) = 0;
  virtual void SetChannels(bool left, bool right, bool inPhase) = 0;
  // "speakers": the layout a speaker list is read against, and the speakers
  // the list chose for the signal lines after it. In Stereo, FL and FR are
  // the left and right channel boxes.
  virtual const SpeakerLayout& Layout() const { return LayoutOf(SpeakerLayoutId::Stereo); }
  virtual void SetSpeakers(SpeakerSet chosen) = 0;
  // The "Log Sweep" box; returns the state it had before.
  virtual bool SetLogarithmic(bool checked) = 0;
  // Plays the panel as it stands now and returns when the signal has ended.
  virtual void Play() = 0;

  // One pass of a delay (kDelayPassMs); false when the delay must end at once (the
  // user pressed Next, the program is ending, the audio is full).
  virtual bool DelayPass() = 0;
  virtual void Pause(const std::string& message) = 0;
  // "repeat", before the script starts over from its first line.
  virtual void StartOver(int lineCount) = 0;
  // "end"; the run ends after this line.
  virtual void End() = 0;
  // A line whose command is not one of the language's; the run ends after it.
  virtual void InvalidCommand(const std::string& message) = 0;
};

}  // namespace sondrel
