#include "script/ScriptFile.h"

#include "engine/AppError.h"

namespace sondrel {

namespace {
// A script's line ends in CR LF, or in a line feed alone as Linux editors save it.
constexpr TextReader::LineEnds kScriptLineEnds = TextReader::LineEnds::CarriageReturnOrLineFeed;
}  // namespace

ScriptFile::ScriptFile(std::string path) : path_(std::move(path)) { Rewind(); }

ScriptFile::ScriptFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) { Rewind(); }

void ScriptFile::Rewind() {
  if (path_.empty()) {
    reader_ = std::make_unique<TextReader>(bytes_, kScriptLineEnds);
    return;
  }
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path_, &bytes); error != 0) throw FileError(error, path_);
  reader_ = std::make_unique<TextReader>(std::move(bytes), kScriptLineEnds);
}

}  // namespace sondrel
