// Feeds arbitrary texts to every edit field's conversion and checks each
// against a reference of its own: the grammar by a regular expression, the
// value by std::from_chars, the integer range by plain digit arithmetic. The
// same texts then go through both synthesizers as a panel's fields, which
// must agree on every byte or on the error they raise.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "tests/engine/SynthesisComparison.h"

namespace {

using sondrel::AppError;

// Frames beyond which a fuzzed signal is not synthesized: the comparison is
// about the texts, not about long buffers.
constexpr int32_t kMaxFrames = 1 << 13;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What StrToFloat must give: nothing for a text it must refuse.
std::optional<long double> ReferenceFloat(const std::string& text, char separator) {
  static const std::regex dot(R"(^[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?$)");
  static const std::regex comma(R"(^[+-]?(?:[0-9]+(?:,[0-9]*)?|,[0-9]+)(?:[eE][+-]?[0-9]+)?$)");
  std::string number = Trimmed(text);
  if (!std::regex_match(number, separator == ',' ? comma : dot)) return std::nullopt;
  if (number[0] == '+') number.erase(0, 1);  // from_chars takes no plus sign
  for (char& c : number) {
    if (c == separator) c = '.';
  }
  long double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (end != number.data() + number.size()) std::abort();  // the grammar said it was whole
  if (error == std::errc::result_out_of_range) {
    // Too large is refused, too small reads as zero or a subnormal: tell the
    // two apart by the decimal exponent's sign alone.
    const size_t e = number.find_first_of("eE");
    const bool tiny = e != std::string::npos && number[e + 1] == '-';
    if (!tiny) return std::nullopt;
    return std::nanl("");  // accepted, value checked loosely below
  }
  return value;
}

// What StrToInt must give: blanks, an optional sign, decimal digits, blanks,
// within the signed 32-bit range.
std::optional<int32_t> ReferenceInt(const std::string& text) {
  const std::string number = Trimmed(text);
  size_t i = 0;
  bool negative = false;
  if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
  if (i == number.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < number.size(); ++i) {
    if (number[i] < '0' || number[i] > '9') return std::nullopt;
    value = value * 10 + (number[i] - '0');
    if (value > int64_t{1} << 32) value = int64_t{1} << 32;  // beyond any 32-bit value
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

void CheckConversions(const std::string& text, char separator) {
  long double value = 0;
  const bool accepted = sondrel::TryStrToFloat(text, &value);
  const std::optional<long double> reference = ReferenceFloat(text, separator);
  if (accepted != reference.has_value()) std::abort();
  if (accepted && std::isnan(*reference)) {
    if (!(std::fabs(value) < LDBL_MIN)) std::abort();
  } else if (accepted && !(value == *reference && std::signbit(value) == std::signbit(*reference))) {
    std::abort();
  }

  const std::optional<int32_t> integer = ReferenceInt(text);
  try {
    if (sondrel::StrToInt(text) != integer.value_or(0) || !integer) std::abort();
  } catch (const AppError& error) {
    if (integer) std::abort();
    if (std::string(error.what()) != "'" + sondrel::MessageExcerpt(text) + "' is not a valid integer value") std::abort();
  }
}

// Both synthesizers, the fast one with every kernel variant, on the same
// panel: the same bytes, or the same error.
void CheckSynthesis(const sondrel::PanelState& state, const sondrel::ChannelGains& gains) {
  try {
    if (sondrel::SignalRun(state).N > kMaxFrames) return;
  } catch (const AppError&) {
  }
  if (!sondrel::CompareWithReference({state, gains}).empty()) std::abort();
}

}  // namespace

// The first byte chooses the separator, the page, the wave form and the
// channels; the rest is cut at byte 0 into the texts of the five fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  const char separator = (choice & 1) != 0 ? ',' : '.';
  sondrel::SetDecimalSeparator(separator);

  std::vector<std::string> texts(5);
  size_t field = 0;
  for (size_t i = 1; i < size && field < texts.size(); ++i) {
    if (data[i] == 0) {
      ++field;
    } else {
      texts[field].push_back(static_cast<char>(data[i]));
    }
  }
  for (const std::string& text : texts) CheckConversions(text, separator);

  sondrel::PanelState state;
  state.SignalType = (choice & 2) != 0 ? sondrel::SignalPage::Sweep : sondrel::SignalPage::Constant;
  state.fEdit = texts[0];
  state.fInit = texts[0];
  state.fFinal = texts[1];
  state.Duration = texts[2];
  state.Amplitude = texts[3];
  state.WaveForm = ((choice >> 2) & 3) - 1;  // -1 (nothing selected) to 2
  state.Logarithmic = (choice & 16) != 0;
  state.LongBuffer = (choice & 32) != 0;
  state.AlwaysStereo = (choice & 64) != 0;
  const sondrel::ChannelGains gains{1, (choice & 128) != 0 ? 0 : 1, 1};
  CheckSynthesis(state, gains);
  return 0;
}
