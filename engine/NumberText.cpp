#include "engine/NumberText.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

#include "engine/AppError.h"

namespace sondrel {

namespace {

char gDecimalSeparator = '.';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Rewrites text into the C locale's form of a number, or returns
// false when it does not follow the grammar of a decimal number.
bool NormaliseDecimal(const std::string& text, std::string* plain) {
  size_t i = 0;
  const size_t end = text.size();
  while (i < end && text[i] == ' ') ++i;
  size_t last = end;
  while (last > i && text[last - 1] == ' ') --last;

  plain->clear();
  if (i < last && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain->push_back('-');
    ++i;
  }
  size_t digits = 0;
  while (i < last && IsDigit(text[i])) plain->push_back(text[i++]), ++digits;
  if (i < last && text[i] == gDecimalSeparator) {
    plain->push_back('.');
    ++i;
    while (i < last && IsDigit(text[i])) plain->push_back(text[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i < last && (text[i] == 'e' || text[i] == 'E')) {
    plain->push_back('e');
    ++i;
    if (i < last && (text[i] == '+' || text[i] == '-')) plain->push_back(text[i++]);
    size_t exponentDigits = 0;
    while (i < last && IsDigit(text[i])) plain->push_back(text[i++]), ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == last;
}

}  // namespace

char DecimalSeparator() { return gDecimalSeparator; }
void SetDecimalSeparator(char separator) { gDecimalSeparator = separator; }

bool TryStrToFloat(const std::string& text, long double* value) {
  std::string plain;
  if (!NormaliseDecimal(text, &plain)) return false;
  // The text is now in the C locale's form whatever the user's locale is.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  errno = 0;
  char* stop = nullptr;
  long double parsed = strtold_l(plain.c_str(), &stop, cLocale);
  if (stop != plain.c_str() + plain.size()) return false;
  // Too large to hold is an error; too small to represent is zero.
  if (errno == ERANGE && std::isinf(parsed)) return false;
  *value = parsed;
  return true;
}

long double StrToFloat(const std::string& text) {
  long double value = 0;
  if (!TryStrToFloat(text, &value)) throw InvalidFloatError(text);
  return value;
}

bool TryWholeNumber(const std::string& text, int32_t most, int32_t* value) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), IsDigit)) return false;
  const int32_t number = std::stoi(text);
  if (number > most) return false;
  *value = number;
  return true;
}

int32_t StrToInt(const std::string& text) {
  size_t i = 0;
  size_t last = text.size();
  while (i < last && text[i] == ' ') ++i;
  while (last > i && text[last - 1] == ' ') --last;
  if (i < last && text[i] == '+') {  // from_chars takes "-" but not "+"
    ++i;
    if (i < last && (text[i] == '+' || text[i] == '-')) throw InvalidIntegerError(text);
  }
  int32_t value = 0;
  auto [stop, error] = std::from_chars(text.data() + i, text.data() + last, value, 10);
  if (i == last || error != std::errc() || stop != text.data() + last) {
    throw InvalidIntegerError(text);
  }
  return value;
}

int32_t Round(long double value) {
  if (!(std::fabs(value) < 0x1p62L)) throw AppError(kInvalidOperation);  // NaN, infinite, far out
  const long double rounded = NearestInteger(value);
  if (rounded < -2147483648.0L || rounded > 2147483647.0L) throw AppError(kInvalidOperation);
  return static_cast<int32_t>(rounded);
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string DecimalText(double value) {
  char text[40];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 10);
  std::string result(text, end.ptr);
  std::replace(result.begin(), result.end(), '.', DecimalSeparator());
  return result;
}

}  // namespace sondrel
