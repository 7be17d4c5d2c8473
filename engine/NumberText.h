#pragma once
// Numbers as the panel's edit boxes hold them: decimal texts with the user's
// decimal separator, converted where they are used.
//
// A decimal number is: optional blanks, an optional sign, digits with an
// optional fraction after the decimal separator (at least one digit in all),
// an optional exponent (E or e, an optional sign, digits), optional blanks.
// "inf", "nan", hexadecimal floats, thousands separators and anything else
// are conversion errors.

#include <cstdint>
#include <string>

namespace sondrel {

// The decimal separator of the user's locale; "." until the application
// sets it at start-up.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Extended precision (80-bit on x86-64). Throws "'%s' is not a valid floating point value".
long double StrToFloat(const std::string& text);
bool TryStrToFloat(const std::string& text, long double* value);

// Optional blanks, an optional sign, decimal digits, optional blanks, within
// the signed 32-bit range. Throws "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& text);
// A count in plain decimal digits (no sign, no blanks) from 0 to `most`
// (below 100000), as the program's millisecond fields take it; false for
// any other text.
bool TryWholeNumber(const std::string& text, int32_t most, int32_t* value);

// To the nearest integer, halves to the even neighbour, for |value| < 2^62.
// Adding 1.5 * 2^63 leaves no fraction bits in the 64-bit mantissa, so the
// sum rounds to an integer (the constant is even); the library's nearbyint
// does the same, far more slowly, as it saves and restores the
// floating-point environment each time.
inline long double NearestInteger(long double value) {
  const long double shifted = value + 0x1.8p63L;
  return shifted - 0x1.8p63L;
}

// To the nearest 32-bit signed integer, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4). NaN or a result outside the 32-bit range throws
// "Invalid floating point operation".
int32_t Round(long double value);

// Plain decimal digits, a leading minus sign when negative.
std::string IntToStr(int64_t value);

// Up to ten significant digits with the user's decimal separator and no
// trailing zeros ("31.5", "6,5"), as an edit box shows a set value.
std::string DecimalText(double value);

}  // namespace sondrel
