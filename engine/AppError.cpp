#include "engine/AppError.h"

#include <cerrno>
#include <filesystem>

#include "platform/TextReader.h"

namespace sondrel {

std::string MessageExcerpt(const std::string& text) {
  if (text.size() <= kMessageExcerptBytes) return text;
  size_t end = kMessageExcerptBytes;
  // Back over UTF-8 continuation bytes (10xxxxxx) to a character's start.
  for (size_t back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++back) --end;
  return text.substr(0, end) + "...";
}

AppError InvalidFloatError(const std::string& text) {
  return AppError("'" + MessageExcerpt(text) + "' is not a valid floating point value");
}

AppError InvalidIntegerError(const std::string& text) {
  return AppError("'" + MessageExcerpt(text) + "' is not a valid integer value");
}

AppError FileError(int error, const std::string& path) {
  switch (error) {
    case ENOENT: {
      std::error_code ignored;
      const std::filesystem::path folder = std::filesystem::path(path).parent_path();
      const bool folderExists = folder.empty() || std::filesystem::is_directory(folder, ignored);
      return AppError(folderExists ? "File not found" : "Invalid filename");
    }
    case ENOTDIR:
    case ENAMETOOLONG:
      return AppError("Invalid filename");
    case EMFILE:
    case ENFILE:
      return AppError("Too many open files");
    case kNotARegularFile:
      return AppError("Not a regular file");
    case EFBIG:
      return AppError("File too large: over 64 MiB");
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return AppError("File access denied");
    default:
      return AppError("I/O error " + std::to_string(error));
  }
}

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace sondrel
