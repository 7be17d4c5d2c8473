#include "engine/AppError.h"

namespace sondrel {

AppError InvalidFloatError(const std::string& text) {
  return AppError("'" + text + "' is not a valid floating point value");
}

AppError InvalidIntegerError(const std::string& text) {
  return AppError("'" + text + "' is not a valid integer value");
}

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace sondrel
