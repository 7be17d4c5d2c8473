#include "terminal/ScriptPlayer.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <iostream>
#include <thread>

#include "engine/AppError.h"
#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {
// The rest before a repeat when the pass neither played nor waited, so that
// a script of comments and repeats idles instead of spinning a core.
constexpr int kIdlePassMs = 50;
// How often a wait looks for a signal.
constexpr int kSignalPollMs = 10;

uint64_t NowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}
}  // namespace

ScriptPlayer::ScriptPlayer(WaveOut& waveOut, int32_t device, const SignalOptions& options, bool pauseWaits,
                           const std::atomic<int>& signal)
    : PanelHost(options), playback_(waveOut, *this), device_(device), pauseWaits_(pauseWaits), signal_(signal) {}

PanelState ScriptPlayer::ReadPanelState() {
  PanelState state = panel_;
  state.WaveDevice = device_;
  return state;
}

void ScriptPlayer::Play() {
  passWaited_ = true;
  NoteWhatWillNotSound();
  playback_.LeftGain = gains_.LeftGain;
  playback_.RightGain = gains_.RightGain;
  playback_.PhaseSign = gains_.PhaseSign;
  playback_.Speakers = layout_.id;
  playback_.ChosenSpeakers = speakers_;
  signalStart_ = NowMs();
  playback_.StartTone();  // plays once and returns at the signal's end
  // The audio the signal is, counted as a render counts it: the start pause
  // of a constant tone or noise and the frames the device was given.
  const WAVEHDR& header = playback_.WaveHeader;
  const uint64_t block = std::max<uint16_t>(playback_.WaveFormat.nBlockAlign, 1);
  const uint64_t signalFrames =
      (panel_.SignalType == SignalPage::Sweep ? 0 : FramesOf(kConstantToneStartPauseMs, panel_.SampleRate)) +
      (header.playLimit != 0 ? header.playLimit / block : header.dwBufferLength / block * header.dwLoops);
  // Ended early by a signal: as far as it got.
  playedFrames_ += Stopped() ? std::min(signalFrames, ElapsedFrames()) : signalFrames;
  signalStart_ = 0;
}

uint64_t ScriptPlayer::ElapsedFrames() const {
  return signalStart_ != 0 ? (NowMs() - signalStart_) * static_cast<uint64_t>(panel_.SampleRate) / 1000 : 0;
}

bool ScriptPlayer::DelayPass() {
  passWaited_ = true;
  Sleep(kDelayPassMs);
  playedFrames_ += FramesOf(kDelayPassMs, panel_.SampleRate);
  ProcessMessages();
  return !Stopped();
}

void ScriptPlayer::Pause(const std::string& message) {
  progress_.Clear();
  Note(message);
  if (!pauseWaits_) {
    Note("the pause is skipped: standard input is no terminal to press Enter on");
    return;
  }
  passWaited_ = true;
  std::cerr << "sondrel: press Enter to go on" << std::flush;
  // A signal interrupts the read (its handler does not restart it).
  char byte = 0;
  while (!Stopped()) {
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == '\n') break;
  }
  std::cerr << "\n";
}

void ScriptPlayer::StartOver(int /*lineCount*/) {
  if (!passWaited_) Sleep(kIdlePassMs);
  passWaited_ = false;
}

void ScriptPlayer::InvalidCommand(const std::string&) { throw AppError(NotACommand()); }

void ScriptPlayer::ProcessMessages() {
  progress_.Update(playedFrames_ + ElapsedFrames(), panel_.SampleRate, "line " + std::to_string(line_) + ": " + lineText_);
}

// In short steps, so that a signal ends the wait within a few milliseconds.
void ScriptPlayer::Sleep(int milliseconds) {
  for (int slept = 0; slept < milliseconds && !Stopped(); slept += kSignalPollMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kSignalPollMs, milliseconds - slept)));
  }
}

void ScriptPlayer::SleepUntil(int milliseconds, const std::function<bool()>& done) {
  SleepInSteps(milliseconds, [&] { return done() || Stopped(); });
}

}  // namespace sondrel
