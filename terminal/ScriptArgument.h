#pragma once
// The script a terminal command runs: a file, or "-" for standard input, read
// whole (a script read from a pipe is started over from memory by "repeat").
// Its errors name it as the user gave it.

#include <memory>
#include <string>

#include "script/ScriptFile.h"

namespace sondrel {

class ScriptArgument {
 public:
  explicit ScriptArgument(std::string argument);

  // What errors call the script: its path, or "standard input".
  const std::string& Name() const { return name_; }
  bool FromStandardInput() const { return argument_ == "-"; }
  // Opens the script. Throws AppError ("File not found", ...).
  ScriptFile& Open();
  // The message for one of the script's errors: its name, then the error.
  std::string Problem(const std::string& error) const;

 private:
  std::string argument_;
  std::string name_;
  std::unique_ptr<ScriptFile> file_;
};

}  // namespace sondrel
