#pragma once
// Reads the program's 8-bit text files (presets and scripts) by the rules
// they were always read by: only a carriage return ends a line (a line feed
// right after it belongs to the line end; a lone line feed is an ordinary
// byte), a byte 26 (Ctrl+Z) ends the text, and reading past the end yields
// empty lines and the number 0 without an error.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel {

class TextReader {
 public:
  explicit TextReader(std::vector<uint8_t> bytes);

  bool AtEnd() const { return position_ >= end_; }
  // Every byte up to the next carriage return, then skips the line end.
  std::string ReadLine();
  // Skips bytes 0 to 32, then takes a token of up to 32 bytes above 32 and
  // skips the rest of its line. Returns nothing when the token is not an
  // integer: an optional sign and decimal digits in the 32-bit range, or "$"
  // and up to eight hexadecimal digits. At the end of the text: 0.
  std::optional<int32_t> ReadInteger();

 private:
  void SkipRestOfLine();

  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  size_t end_ = 0;  // the first byte 26, or the size
};

// No script, preset or settings file comes near this size: a larger one, or
// an endless stream, is refused rather than read until memory runs out.
inline constexpr size_t kLargestTextFile = size_t{64} << 20;  // 64 MiB
// The error ReadWholeFile gives for a FIFO, a device or a socket, which
// could block the reader forever or never end.
inline constexpr int kNotARegularFile = -1;

// Reads a whole regular file of at most kLargestTextFile bytes. Returns the
// system's error number (errno) on failure, EISDIR for a folder, EFBIG for
// a larger file and kNotARegularFile for a FIFO, a device or a socket.
int ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
// The reason for a ReadWholeFile error, in the system's words
// ("Permission denied", "Not a regular file").
std::string ReadErrorText(int error);
// Reads an open stream (standard input) to its end; EFBIG beyond
// kLargestTextFile bytes.
int ReadWholeStream(int fd, std::vector<uint8_t>* bytes);

}  // namespace sondrel
