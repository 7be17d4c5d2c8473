#pragma once
// A script file opened for a run: read line by line by the rules of the
// program's text files, a line feed alone also ending a line, and read
// again from its start for "repeat".

#include <memory>
#include <string>
#include <vector>

#include "platform/TextReader.h"

namespace sondrel {

class ScriptFile {
 public:
  // Throws AppError ("File not found", ...) when the file cannot be read.
  explicit ScriptFile(std::string path);
  // A script already read (from standard input, say); "repeat" starts these
  // bytes over.
  explicit ScriptFile(std::vector<uint8_t> bytes);

  // The next line; past the end of the text, an empty one.
  std::string ReadLine() { return reader_->ReadLine(); }
  // Opens the file again at its start. Throws like the constructor.
  void Rewind();

 private:
  std::string path_;                 // empty for a script given as bytes
  std::vector<uint8_t> bytes_;       // the script given as bytes
  std::unique_ptr<TextReader> reader_;
};

}  // namespace sondrel
