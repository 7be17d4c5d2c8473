#include "terminal/WindowStart.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {

std::string ThisExecutable() {
  std::vector<char> path(4096);
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<size_t>(length)) : std::string();
}

}  // namespace

int StartWindow(char** argv) {
  const std::string self = ThisExecutable();
  if (self.empty()) return Failure(std::string("cannot find this program's own file: ") + std::strerror(errno));
  // SONDREL_WINDOW_PATH: the window's path relative to this executable's folder.
  const std::string window = self.substr(0, self.rfind('/') + 1) + SONDREL_WINDOW_PATH;
  argv[0] = const_cast<char*>(self.c_str());
  execv(window.c_str(), argv);
  return Failure("cannot start the window, " + window + ": " + std::strerror(errno));
}

}  // namespace sondrel
