#pragma once
// sondrel --render SCRIPT -o OUT [--max-seconds S] [--rate R] [--format F]
//          [--type T]: the script's audio into a file, or to standard output
// (-o -), as fast as the machine allows, in pieces, so that memory stays small
// whatever the length.

#include <string>
#include <vector>

namespace sondrel {

// arguments[0] is "--render". Returns the exit status.
int RenderCommand(const std::vector<std::string>& arguments);

}  // namespace sondrel
