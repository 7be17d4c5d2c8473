#include "script/ScriptFile.h"

#include <algorithm>

#include "engine/AppError.h"

namespace sondrel {

ScriptFile::ScriptFile(std::string path) : path_(std::move(path)) { Rewind(); }

ScriptFile::ScriptFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) { Rewind(); }

namespace {
bool HasLineFeedsAlone(const std::vector<uint8_t>& bytes) {
  return std::find(bytes.begin(), bytes.end(), uint8_t{10}) != bytes.end() &&
         std::find(bytes.begin(), bytes.end(), uint8_t{13}) == bytes.end();
}
}  // namespace

void ScriptFile::Rewind() {
  if (path_.empty()) {
    lineFeedsAlone_ = HasLineFeedsAlone(bytes_);
    reader_ = std::make_unique<TextReader>(bytes_);
    return;
  }
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path_, &bytes); error != 0) throw FileError(error, path_);
  lineFeedsAlone_ = HasLineFeedsAlone(bytes);
  reader_ = std::make_unique<TextReader>(std::move(bytes));
}

}  // namespace sondrel
