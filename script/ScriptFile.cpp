#include "script/ScriptFile.h"

#include "engine/AppError.h"

namespace sondrel {

ScriptFile::ScriptFile(std::string path) : path_(std::move(path)) { Rewind(); }

ScriptFile::ScriptFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) { Rewind(); }

void ScriptFile::Rewind() {
  if (path_.empty()) {
    reader_ = std::make_unique<TextReader>(bytes_);
    return;
  }
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path_, &bytes); error != 0) throw FileError(error, path_);
  reader_ = std::make_unique<TextReader>(std::move(bytes));
}

}  // namespace sondrel
