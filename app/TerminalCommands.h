#pragma once
// Sondrel from a terminal: --help, --version, --list-devices and --render.
// They are recognised only when the first argument is exactly one of these
// options and no file of the joined name exists, so every file argument
// keeps its meaning. None of them needs a display; only --list-devices asks
// the sound system.

#include <optional>
#include <string>
#include <vector>

namespace sondrel {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a render that failed, no sound system
inline constexpr int kExitUsage = 2;    // a command line that is not understood

// The text --help prints.
std::string UsageText();

// Runs the command the arguments (without the program's name) ask for and
// returns its exit status; nothing when they ask for none, and the program
// starts its window as usual.
std::optional<int> RunTerminalCommand(const std::vector<std::string>& arguments);

}  // namespace sondrel
