#pragma once
// The one file Sondrel accepts on its command line: a script (its path ends
// in "kvs") is played and the program then ends by itself; a preset file
// ("kvp") is loaded into the memories. Desktops pass paths unquoted, so a
// path with spaces may arrive as several parameters; they are joined again
// with single spaces. Paths are the file system's bytes, whatever they are,
// and none of the parameters is taken for an option of the window system's.

#include <string>
#include <vector>

namespace sondrel {

class TGenerator;

std::string CommandLinePath(const std::vector<std::string>& parameters);

// Plays or loads the file, when it exists and its path ends in the lower-case
// "kvs" or "kvp"; any other path is ignored. Returns true when the program
// should end after the run. Throws AppError when the run or load fails.
bool HandleCommandLineFile(TGenerator& generator, const std::string& path);

}  // namespace sondrel
