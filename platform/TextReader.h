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

// Reads a whole file. Returns the system's error number (errno) on failure.
int ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);

}  // namespace sondrel
