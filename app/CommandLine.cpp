#include "app/CommandLine.h"

#include <sys/stat.h>

#include "engine/AppError.h"
#include "panel/Generator.h"
#include "platform/TextReader.h"

namespace sondrel {

namespace {
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
}  // namespace

bool HandleCommandLineFile(TGenerator& generator, const std::string& path) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return false;
  const bool ours = EndsWith(path, "kvs") || EndsWith(path, "kvp");
  // A FIFO or a device named like our files would block or never end.
  if (!S_ISREG(info.st_mode)) {
    if (ours) throw FileError(kNotARegularFile, path);
    return false;
  }
  if (EndsWith(path, "kvs")) {
    generator.RunScript(path);
    return true;
  }
  if (EndsWith(path, "kvp")) generator.LoadPresetFile(path);
  return false;
}

}  // namespace sondrel
