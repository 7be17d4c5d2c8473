// Feeds arbitrary bytes to the script reader and word splitter: the reader
// must reach the end and then give empty lines; each line's words must
// rebuild the line (up to its seventh space, after which words are ignored).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/TextReader.h"
#include "script/ScriptLine.h"

namespace {
void CheckWords(const std::string& line) {
  const sondrel::ScriptWords words = sondrel::SplitWords(line);
  const size_t spaces = static_cast<size_t>(std::count(line.begin(), line.end(), ' '));
  const size_t used = std::min(spaces + 1, words.size());
  std::string rebuilt = words[0];
  for (size_t i = 1; i < used; ++i) rebuilt += " " + words[i];
  for (size_t i = used; i < words.size(); ++i) {
    if (!words[i].empty()) std::abort();
  }
  if (spaces < words.size()) {
    if (rebuilt != line) std::abort();
  } else if (line.compare(0, rebuilt.size(), rebuilt) != 0 || line[rebuilt.size()] != ' ') {
    std::abort();
  }
  (void)sondrel::ChannelsOf(words[5]);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sondrel::TextReader reader(std::vector<uint8_t>(data, data + size));
  for (size_t lines = 0; !reader.AtEnd(); ++lines) {
    if (lines > size) std::abort();  // every line takes at least one byte
    CheckWords(reader.ReadLine());
  }
  if (!reader.ReadLine().empty()) std::abort();
  return 0;
}
