#pragma once
// sondrel --play SCRIPT [--device N|NAME]: plays a script on a sound device
// with no display and no window, with the exit statuses of a script run.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/StoredOptions.h"

namespace sondrel {

class WaveOut;

// arguments[0] is "--play". Returns the exit status.
int PlayCommand(const std::vector<std::string>& arguments);

// Ends the sound at SIGINT, SIGTERM or SIGHUP rather than the program, which
// then exits with 128 + the number: the first signal's number, 0 till then.
// Without SA_RESTART, so that a pause's read from the terminal returns at once.
const std::atomic<int>& CatchTerminationSignals();
// --device, by the number or the exact name --list-devices prints (default 0, the default output), and what every signal is made
// with on it: the stored options resolved for that device, --speakers over
// the stored layout. Empty, or the problem for the user.
std::string ChooseOutput(WaveOut& waveOut, const std::optional<std::string>& deviceName,
                         const StoredOptions& options, std::optional<SpeakerLayoutId> speakers, int32_t* device,
                         SignalOptions* signal);

}  // namespace sondrel
