#include "platform/TextReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sondrel {

namespace {
constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kEndOfText = 26;
constexpr size_t kLongestToken = 32;

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> ParseInteger(const std::string& token) {
  if (token.empty()) return std::nullopt;
  if (token[0] == '$') {
    if (token.size() < 2 || token.size() > 9) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 1; i < token.size(); ++i) {
      const int digit = HexDigit(static_cast<uint8_t>(token[i]));
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);  // "$FFFFFFFF" is -1
  }
  size_t i = 0;
  const bool negative = token[0] == '-';
  if (token[0] == '+' || token[0] == '-') ++i;
  if (i == token.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') return std::nullopt;
    value = value * 10 + (token[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<int32_t>(value);
}
}  // namespace

TextReader::TextReader(std::vector<uint8_t> bytes, LineEnds lineEnds) : bytes_(std::move(bytes)), lineEnds_(lineEnds) {
  end_ = static_cast<size_t>(std::find(bytes_.begin(), bytes_.end(), kEndOfText) - bytes_.begin());
}

bool TextReader::EndsLine(uint8_t byte) const {
  return byte == kCarriageReturn || (byte == kLineFeed && lineEnds_ == LineEnds::CarriageReturnOrLineFeed);
}

void TextReader::SkipRestOfLine() {
  while (position_ < end_ && !EndsLine(bytes_[position_])) ++position_;
  if (position_ >= end_) return;
  // A carriage return takes the line feed after it along: one line end.
  if (bytes_[position_++] == kCarriageReturn && position_ < end_ && bytes_[position_] == kLineFeed) ++position_;
}

std::string TextReader::ReadLine() {
  const size_t start = position_;
  while (position_ < end_ && !EndsLine(bytes_[position_])) ++position_;
  std::string line(bytes_.begin() + static_cast<std::ptrdiff_t>(start),
                   bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
  SkipRestOfLine();
  return line;
}

std::optional<int32_t> TextReader::ReadInteger() {
  while (position_ < end_ && bytes_[position_] <= 32) ++position_;
  if (position_ >= end_) return 0;
  std::string token;
  while (position_ < end_ && bytes_[position_] > 32 && token.size() < kLongestToken) {
    token.push_back(static_cast<char>(bytes_[position_++]));
  }
  SkipRestOfLine();
  return ParseInteger(token);
}

std::string ReadErrorText(int error) {
  if (error == kNotARegularFile) return "Not a regular file";
  return std::strerror(error);
}

int ReadWholeStream(int fd, std::vector<uint8_t>* bytes) {
  bytes->clear();
  uint8_t chunk[65536];
  for (;;) {
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) return 0;
    if (bytes->size() + static_cast<size_t>(count) > kLargestTextFile) return EFBIG;
    bytes->insert(bytes->end(), chunk, chunk + count);
  }
}

int ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat info {};
  int error = fstat(fd, &info) != 0 ? errno : 0;
  if (error == 0 && !S_ISREG(info.st_mode)) error = S_ISDIR(info.st_mode) ? EISDIR : kNotARegularFile;
  if (error == 0 && static_cast<uint64_t>(info.st_size) > kLargestTextFile) error = EFBIG;
  if (error == 0) error = ReadWholeStream(fd, bytes);
  close(fd);
  return error;
}

}  // namespace sondrel
