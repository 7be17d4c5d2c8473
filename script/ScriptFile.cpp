#include "script/ScriptFile.h"

#include "engine/AppError.h"

namespace sondrel {

ScriptFile::ScriptFile(std::string path) : path_(std::move(path)) { Rewind(); }

void ScriptFile::Rewind() {
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path_, &bytes); error != 0) throw FileError(error, path_);
  reader_ = std::make_unique<TextReader>(std::move(bytes));
}

}  // namespace sondrel
