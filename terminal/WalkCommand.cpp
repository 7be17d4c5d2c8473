#include "terminal/WalkCommand.h"

#include <iostream>

#include "engine/AppError.h"
#include "engine/EngineWindow.h"
#include "engine/Playback.h"
#include "engine/SpeakerWalk.h"
#include "platform/SettingsStore.h"
#include "platform/SoundOutput.h"
#include "settings/StoredOptions.h"
#include "terminal/CommandOptions.h"
#include "terminal/PlayCommand.h"
#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {

// The terminal's walk: pink noise at -20 dB, the names on standard error.
class TerminalWalk : public EngineWindow, public WalkHost {
 public:
  TerminalWalk(int32_t device, const SignalOptions& options, const std::atomic<int>& signal)
      : device_(device), signal_(signal) {
    noise_.SignalType = SignalPage::Noise;
    noise_.NoiseColour = kPink;
    noise_.Amplitude = "-20";
    ApplySignalOptions(options, noise_);
  }

  // EngineWindow
  PanelState ReadPanelState() override {
    PanelState state = noise_;
    state.WaveDevice = device_;
    return state;
  }
  void SetOnButtonCaption(const std::string&) override {}
  void SetWaveDeviceEnabled(bool) override {}
  void ProcessMessages() override {}
  void Sleep(int milliseconds) override { SleepInSteps(milliseconds, [this] { return Stopped(); }); }
  bool ApplicationQuitting() override { return Stopped(); }

  // WalkHost
  void Announce(Speaker speaker) override {
    std::cerr << SpeakerName(speaker) << '\t' << SpeakerTitle(speaker) << std::endl;
  }
  std::optional<MonoClip> VoiceOf(Speaker speaker) override { return ThemeVoiceOf(speaker); }
  bool Wait(int milliseconds, const std::function<bool()>& done) override {
    SleepInSteps(milliseconds, [&] { return Stopped() || done(); });
    return !Stopped();
  }

 private:
  bool Stopped() const { return signal_.load() != 0; }

  PanelState noise_;
  int32_t device_;
  const std::atomic<int>& signal_;
};

}  // namespace

int WalkCommand(const std::vector<std::string>& arguments) {
  const CommandOptions given = ReadCommandOptions(arguments, {"--device", "--speakers"}, "");
  if (!given.problem.empty()) return UsageError(given.problem);
  std::optional<SpeakerLayoutId> speakers;  // nothing: the stored setting
  if (const std::string problem = ReadSpeakersOption(given, &speakers); !problem.empty()) return UsageError(problem);
  const std::atomic<int>& signal = CatchTerminationSignals();
  const StoredOptions options = LoadStoredOptions(SettingsStore::DefaultPath());
  if (!options.error.empty()) Note(options.error);

  SoundOutput waveOut;
  if (!waveOut.StartError().empty()) return Failure(waveOut.StartError());
  int32_t device = 0;
  SignalOptions signalOptions;
  if (const std::string problem =
          ChooseOutput(waveOut, given.Value("--device"), options, speakers, &device, &signalOptions);
      !problem.empty()) {
    return Failure(problem);
  }

  TerminalWalk walk(device, signalOptions, signal);
  Playback playback(waveOut, walk);
  playback.Speakers = signalOptions.speakers;
  try {
    SpeakerWalk(playback, waveOut, walk).Run(device);
  } catch (const AppError& error) {
    if (signal.load() == 0) return Failure(error.what());
  }
  return signal.load() != 0 ? 128 + signal.load() : kExitOk;
}

}  // namespace sondrel
