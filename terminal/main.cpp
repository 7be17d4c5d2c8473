// Sondrel's front: runs the terminal commands without the window toolkit, and
// otherwise starts the window with the same command line.
#include <string>
#include <vector>

#include "terminal/TerminalCommands.h"
#include "terminal/WindowStart.h"

int main(int argc, char** argv) {
  // The parameters as the file system's bytes.
  const std::vector<std::string> parameters(argv + 1, argv + argc);
  if (const std::optional<int> status = sondrel::RunTerminalCommand(parameters)) return *status;
  return sondrel::StartWindow(argv);
}
