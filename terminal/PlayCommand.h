#pragma once
// sondrel --play SCRIPT [--device N|NAME]: plays a script on a sound device
// with no display and no window, with the exit statuses of a script run.

#include <string>
#include <vector>

namespace sondrel {

// arguments[0] is "--play". Returns the exit status.
int PlayCommand(const std::vector<std::string>& arguments);

}  // namespace sondrel
