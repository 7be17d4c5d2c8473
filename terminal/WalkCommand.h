#pragma once
// sondrel --walk [--speakers LAYOUT] [--device D]: pink noise on each
// speaker of the layout in turn, clockwise from the front left, the
// subwoofer last, each speaker's name spoken on it first and written to
// standard error. A termination signal ends it at once.

#include <string>
#include <vector>

namespace sondrel {

// arguments[0] is "--walk". Returns the exit status.
int WalkCommand(const std::vector<std::string>& arguments);

}  // namespace sondrel
