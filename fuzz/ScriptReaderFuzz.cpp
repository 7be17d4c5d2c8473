// Feeds arbitrary bytes to the script reader and word splitter: the reader
// must reach the end and then give empty lines; each line's words must
// rebuild the line (up to its seventh space, after which words are ignored).
// Then the script runs through the language's core with a host that checks
// the run's order: lines counted from 1 (again after a repeat), nothing
// after an end or an invalid command, every play after its page, and no
// error but the program's own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/AppError.h"
#include "platform/TextReader.h"
#include "script/ScriptFile.h"
#include "script/ScriptLine.h"
#include "script/ScriptRun.h"

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

// Checks the order of a run's calls; bounded, as a repeating script never ends.
class CheckingHost : public sondrel::ScriptHost {
 public:
  bool ReadyForLine() override {
    if (ended_) std::abort();
    return ++lines_ <= 2000;
  }
  void BeginLine(int lineCount, const std::string&, const std::string&) override {
    if (lineCount != lastLine_ + 1) std::abort();
    lastLine_ = lineCount;
    pageShown_ = false;
  }
  void ShowPage(sondrel::SignalPage) override { pageShown_ = true; }
  void SetField(sondrel::ScriptField, const std::string&) override {}
  void SetWaveForm(int32_t index) override {
    if (index < -1 || index > 2) std::abort();
  }
  void SetNoiseColour(int32_t index, const sondrel::NoiseBand& band) override {
    if (index < 0 || index > 2 || (band.Limited() && index != 1)) std::abort();
  }
  void SetBurstWindow(int32_t index) override {
    if (index != sondrel::kHannWindow && index != sondrel::kRectangularWindow) std::abort();
  }
  void SetFade(int32_t ms) override {
    if (ms < 0 || ms > sondrel::kLongestFadeMs) std::abort();
  }
  void SetChannels(bool, bool, bool) override {}
  void SetNoiseChannels(bool) override {}
  void SetSpeakers(sondrel::SpeakerSet) override {}
  bool SetLogarithmic(bool checked) override { return std::exchange(logarithmic_, checked); }
  void Play() override {
    if (!pageShown_) std::abort();
  }
  bool DelayPass() override { return ++passes_ % 50 != 0; }
  void Pause(const std::string&) override {}
  void StartOver(int) override { lastLine_ = 0; }
  void End() override { ended_ = true; }
  void InvalidCommand(const std::string&) override { ended_ = true; }

 private:
  int lines_ = 0, lastLine_ = 0;
  int64_t passes_ = 0;
  bool ended_ = false, pageShown_ = false, logarithmic_ = false;
};

void RunThroughTheCore(const uint8_t* data, size_t size) {
  sondrel::ScriptFile file(std::vector<uint8_t>(data, data + size));
  CheckingHost host;
  try {
    sondrel::ScriptRun(file, host).Run();
  } catch (const sondrel::AppError&) {
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sondrel::TextReader reader(std::vector<uint8_t>(data, data + size),
                             sondrel::TextReader::LineEnds::CarriageReturnOrLineFeed);  // a script's
  for (size_t lines = 0; !reader.AtEnd(); ++lines) {
    if (lines > size) std::abort();  // every line takes at least one byte
    CheckWords(reader.ReadLine());
  }
  if (!reader.ReadLine().empty()) std::abort();
  RunThroughTheCore(data, size);
  return 0;
}
