#pragma once
// sondrel --play SCRIPT [--device N|NAME]: plays a script on a sound device
// with no display and no window, with the exit statuses of a script run.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

class WaveOut;

// arguments[0] is "--play". Returns the exit status.
int PlayCommand(const std::vector<std::string>& arguments);

// Ends the sound at SIGINT, SIGTERM or SIGHUP rather than the program, which
// then exits with 128 + the number: the first signal's number, 0 till then.
// Without SA_RESTART, so that a pause's read from the terminal returns at once.
const std::atomic<int>& CatchTerminationSignals();
// The device by the number or the exact name --list-devices prints; -1 when
// there is none such.
int32_t DeviceNamed(WaveOut& waveOut, const std::string& given);

}  // namespace sondrel
