#include "terminal/ScriptArgument.h"

#include <unistd.h>

#include "engine/AppError.h"
#include "platform/TextReader.h"

namespace sondrel {

ScriptArgument::ScriptArgument(std::string argument)
    : argument_(std::move(argument)), name_(argument_ == "-" ? "standard input" : argument_) {}

ScriptFile& ScriptArgument::Open() {
  if (FromStandardInput()) {
    std::vector<uint8_t> bytes;
    if (const int error = ReadWholeStream(STDIN_FILENO, &bytes); error != 0) throw FileError(error, "-");
    file_ = std::make_unique<ScriptFile>(std::move(bytes));
  } else {
    file_ = std::make_unique<ScriptFile>(argument_);
  }
  return *file_;
}

std::string ScriptArgument::Problem(const std::string& error) const { return name_ + ": " + error; }

}  // namespace sondrel
