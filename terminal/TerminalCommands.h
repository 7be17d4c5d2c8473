#pragma once
// Sondrel from a terminal: --help (-h), --version, --list-devices, --render
// and --play. They are recognised only when the first argument is exactly one
// of these options and no file of the joined name exists, so every file
// argument keeps its meaning. None of them needs a display or loads the
// window toolkit; --list-devices and --play ask the sound system.

#include <optional>
#include <string>
#include <vector>

#include "terminal/TerminalMessages.h"

namespace sondrel {

// The text --help prints.
std::string UsageText();

// Runs the command the arguments (without the program's name) ask for and
// returns its exit status; nothing when they ask for none, and the program
// starts its window as usual.
std::optional<int> RunTerminalCommand(const std::vector<std::string>& arguments);

}  // namespace sondrel
