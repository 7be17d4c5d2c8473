#pragma once
// Reads the program's 8-bit text files (presets and scripts) by the rules
// they were always read by: a carriage return ends a line (a line feed
// right after it belongs to the line end), a byte 26 (Ctrl+Z) ends the
// text, and reading past the end yields empty lines and the number 0
// without an error. A lone line feed is an ordinary byte of a preset file,
// which the program writes itself; in a script, which Linux editors save
// with line feeds alone, it ends a line too.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel {

class TextReader {
 public:
  enum class LineEnds { CarriageReturn, CarriageReturnOrLineFeed };
  explicit TextReader(std::vector<uint8_t> bytes, LineEnds lineEnds = LineEnds::CarriageReturn);

  bool AtEnd() const { return position_ >= end_; }
  // Every byte up to the next line end, then skips the line end.
  std::string ReadLine();
  // Skips bytes 0 to 32, then takes a token of up to 32 bytes above 32 and
  // skips the rest of its line. Returns nothing when the token is not an
  // integer: an optional sign and decimal digits in the 32-bit range, or "$"
  // and up to eight hexadecimal digits. At the end of the text: 0.
  std::optional<int32_t> ReadInteger();

 private:
  void SkipRestOfLine();
  bool EndsLine(uint8_t byte) const;

  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  size_t end_ = 0;  // the first byte 26, or the size
  LineEnds lineEnds_;
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
