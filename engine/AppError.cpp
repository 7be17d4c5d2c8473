#include "engine/AppError.h"

#include <cerrno>
#include <filesystem>

namespace sondrel {

AppError InvalidFloatError(const std::string& text) {
  return AppError("'" + text + "' is not a valid floating point value");
}

AppError InvalidIntegerError(const std::string& text) {
  return AppError("'" + text + "' is not a valid integer value");
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
