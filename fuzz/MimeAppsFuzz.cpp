// Feeds arbitrary text to the mimeapps.list rewriter: it keeps every line of
// the user's file in order, sets both of Sondrel's types, and a second pass
// changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileTypes.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool IsOurs(const std::string& line) {
  return line == std::string(sondrel::kScriptMimeType) + "=" + sondrel::kDesktopEntryName ||
         line == std::string(sondrel::kPresetMimeType) + "=" + sondrel::kDesktopEntryName ||
         line == "[Default Applications]";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string existing(reinterpret_cast<const char*>(data), size);
  const std::string rewritten = sondrel::WithDefaultApplications(existing);
  if (sondrel::WithDefaultApplications(rewritten) != rewritten) std::abort();

  // The user's lines come out in their order; only our own lines are added.
  const std::vector<std::string> before = Lines(existing), after = Lines(rewritten);
  size_t next = 0;
  for (const std::string& line : after) {
    if (next < before.size() && line == before[next]) {
      ++next;
    } else if (!IsOurs(line)) {
      std::abort();
    }
  }
  if (next != before.size()) std::abort();

  // Both types have a default in a [Default Applications] section.
  std::string section;
  bool script = false, preset = false;
  for (const std::string& line : after) {
    if (!line.empty() && line.front() == '[') section = line;
    if (section != "[Default Applications]") continue;
    const auto sets = [&line](const char* type) {
      const std::string key = std::string(type) + "=";
      return line.rfind(key, 0) == 0 && line.size() > key.size();
    };
    script = script || sets(sondrel::kScriptMimeType);
    preset = preset || sets(sondrel::kPresetMimeType);
  }
  if (!script || !preset) std::abort();
  return 0;
}
