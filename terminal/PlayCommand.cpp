#include "terminal/PlayCommand.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "settings/StoredOptions.h"
#include "engine/AppError.h"
#include "engine/SoundNotes.h"
#include "engine/Synthesis.h"
#include "platform/SoundOutput.h"
#include "platform/SettingsStore.h"
#include "script/ScriptRun.h"
#include "terminal/CommandOptions.h"
#include "terminal/NumberReading.h"
#include "terminal/ScriptArgument.h"
#include "terminal/ScriptPlayer.h"
#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {

std::atomic<int> gSignal{0};

void StopOnSignal(int signalNumber) {
  int none = 0;
  gSignal.compare_exchange_strong(none, signalNumber);
}

// The device by the number or the exact name --list-devices prints; -1 when
// there is none such.
int32_t DeviceNamed(WaveOut& waveOut, const std::string& given) {
  const uint32_t count = waveOut.GetNumDevs();
  if (!given.empty() && given.size() <= 9 && given.find_first_not_of("0123456789") == std::string::npos) {
    const long number = std::stol(given);
    return number < static_cast<long>(count) ? static_cast<int32_t>(number) : -1;
  }
  for (uint32_t device = 0; device < count; ++device) {
    if (waveOut.GetDeviceName(device) == given) return static_cast<int32_t>(device);
  }
  return -1;
}

}  // namespace

const std::atomic<int>& CatchTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = &StopOnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
  return gSignal;
}

std::string ChooseOutput(WaveOut& waveOut, const std::optional<std::string>& deviceName,
                         const StoredOptions& options, std::optional<SpeakerLayoutId> speakers, int32_t* device,
                         SignalOptions* signal) {
  *device = 0;
  if (deviceName) {
    *device = DeviceNamed(waveOut, *deviceName);
    if (*device < 0) return "no sound output device '" + *deviceName + "': see sondrel --list-devices";
  }
  *signal = options.ForSignals(options.FollowsDevice() ? waveOut.GetDeviceRate(*device) : 0,
                               waveOut.GetDevicePositions(*device));
  if (speakers) signal->speakers = *speakers;
  return {};
}

int PlayCommand(const std::vector<std::string>& arguments) {
  const CommandOptions given = ReadCommandOptions(arguments, {"--device", "--speakers"}, "a script: --play SCRIPT");
  if (!given.problem.empty()) return UsageError(given.problem);
  std::optional<SpeakerLayoutId> speakers;  // nothing: the stored setting
  if (const std::string problem = ReadSpeakersOption(given, &speakers); !problem.empty()) return UsageError(problem);
  CatchTerminationSignals();
  const StoredOptions options = LoadStoredOptions(SettingsStore::DefaultPath());
  if (!options.error.empty()) Note(options.error);
  UseTheLocaleDecimalSeparator();

  SoundOutput waveOut;
  if (!waveOut.StartError().empty()) return Failure(waveOut.StartError());
  int32_t device = 0;
  SignalOptions signal;
  if (const std::string problem = ChooseOutput(waveOut, given.Value("--device"), options, speakers, &device, &signal);
      !problem.empty()) {
    return Failure(problem);
  }

  if (const std::string note = ResamplingNote(signal.rate, waveOut.GetDeviceRate(device)); !note.empty()) Note(note);

  ScriptArgument script(given.operand);
  const bool pauseWaits = !script.FromStandardInput() && isatty(STDIN_FILENO) == 1;
  try {
    ScriptFile& file = script.Open();
    ScriptPlayer player(waveOut, device, signal, pauseWaits, gSignal);
    player.onNote = [&player, &script](int line, const std::string& note) {
      player.ClearProgress();
      Note(script.Name() + ": line " + std::to_string(line) + ": " + note);
    };
    try {
      ScriptRun(file, player).Run();
    } catch (const AppError& error) {
      throw AppError(player.LineProblem(error.what()));
    }
  } catch (const AppError& error) {
    if (gSignal.load() == 0) return Failure(script.Problem(error.what()));
  }
  return gSignal.load() != 0 ? 128 + gSignal.load() : kExitOk;
}

}  // namespace sondrel
