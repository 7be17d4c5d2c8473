#pragma once
// The program's errors. An error stops the command where it arises and is
// shown by the application's error report (a message box); nothing is logged.

#include <stdexcept>
#include <string>

namespace sondrel {

class AppError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kDivisionByZero = "Floating point division by zero";
inline constexpr const char* kInvalidOperation = "Invalid floating point operation";
inline constexpr const char* kOutOfMemory = "Out of memory while expanding memory stream";

// A user's text as a message quotes it: whole up to kMessageExcerptBytes
// bytes, beyond that its start (cut between two UTF-8 characters) and "...",
// so that a word of a million bytes cannot freeze the window that shows it.
inline constexpr size_t kMessageExcerptBytes = 200;
std::string MessageExcerpt(const std::string& text);

AppError InvalidFloatError(const std::string& text);    // "'text' is not a valid floating point value"
AppError InvalidIntegerError(const std::string& text);  // "'text' is not a valid integer value"

// A file that could not be opened, read or written, in the runtime's words:
// "File not found", "Invalid filename" (its folder does not exist), "Too many
// open files", "File access denied", "Not a regular file" (a FIFO, a
// device), "File too large: over 64 MiB", or "I/O error <errno>".
AppError FileError(int error, const std::string& path);

// The text of the error report: the message with a full stop added when its
// last character sorts after ".", so "value'" gains one and "stream." does not.
std::string ErrorReportText(const std::string& message);

}  // namespace sondrel
