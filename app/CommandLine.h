#pragma once
// The one file Sondrel accepts on its command line: a script (its path ends
// in "kvs") is played and the program then ends by itself; a preset file
// ("kvp") is loaded into the memories. The path is the parameters joined
// (CommandLinePath), and none of them is taken for an option of the window
// system's.

#include <string>

#include "platform/CommandLinePath.h"

namespace sondrel {

class TGenerator;

// Plays or loads the file, when it exists and its path ends in the lower-case
// "kvs" or "kvp"; any other path is ignored. Returns true when the program
// should end after the run. Throws AppError when the run or load fails.
bool HandleCommandLineFile(TGenerator& generator, const std::string& path);

}  // namespace sondrel
