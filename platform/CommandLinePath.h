#pragma once
// Desktops pass a file's path unquoted, so a path with spaces may arrive as
// several parameters: they are joined again with single spaces. Paths are the
// file system's bytes, whatever they are.

#include <string>
#include <vector>

namespace sondrel {

inline std::string CommandLinePath(const std::vector<std::string>& parameters) {
  std::string path;
  for (size_t i = 0; i < parameters.size(); ++i) path += (i == 0 ? "" : " ") + parameters[i];
  return path;
}

}  // namespace sondrel
