#include "terminal/RenderRequest.h"

#include <cctype>
#include <cstdlib>

#include "terminal/CommandOptions.h"

namespace sondrel {

namespace {

constexpr double kLongestMaxSeconds = 1e9;

// Plain decimal digits: no blanks, signs, hexadecimal, "inf" or "nan".
std::optional<double> Seconds(const std::string& value) {
  const bool decimal = !value.empty() && value.find_first_not_of("0123456789.eE+-") == std::string::npos &&
                       (std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '.');
  if (!decimal) return std::nullopt;
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return seconds;
}

std::optional<int32_t> Rate(const std::string& value) {
  const bool digits = !value.empty() && value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos;
  const long number = digits ? std::stol(value) : 0;
  if (number < kLowestRenderRate || number > kHighestRenderRate) return std::nullopt;
  return static_cast<int32_t>(number);
}

std::optional<AudioSampleEncoding> Encoding(const std::string& value) {
  if (value == "s16") return AudioSampleEncoding::Pcm16;
  if (value == "s24") return AudioSampleEncoding::Pcm24;
  if (value == "f32") return AudioSampleEncoding::Float32;
  return std::nullopt;
}

RenderRequestReading Problem(std::string problem) { return {std::nullopt, std::move(problem)}; }

}  // namespace

RenderRequestReading ReadRenderRequest(const std::vector<std::string>& arguments) {
  const CommandOptions given = ReadCommandOptions(arguments, {"-o", "--max-seconds", "--rate", "--format", "--type", "--speakers"},
                                                  "a script: --render SCRIPT -o OUT");
  if (!given.problem.empty()) return Problem(given.problem);
  RenderRequest request;
  request.script = given.operand;
  request.output = given.Value("-o").value_or("");
  if (request.output.empty()) return Problem("--render needs an output file: -o OUT (- for standard output)");

  if (const auto value = given.Value("--max-seconds")) {
    const std::optional<double> seconds = Seconds(*value);
    if (!seconds || !(*seconds * kLowestRenderRate >= 1) || *seconds > kLongestMaxSeconds) {
      return Problem("--max-seconds takes a number of seconds of at least one frame, not '" + *value + "'");
    }
    request.maxSeconds = *seconds;
    request.maxSecondsText = *value;
  }
  if (const auto value = given.Value("--rate")) {
    request.rate = Rate(*value);
    if (!request.rate) {
      return Problem("--rate takes frames per second from " + std::to_string(kLowestRenderRate) + " to " +
                     std::to_string(kHighestRenderRate) + ", not '" + *value + "'");
    }
  }
  if (const auto value = given.Value("--format")) {
    const std::optional<AudioSampleEncoding> chosen = Encoding(*value);
    if (!chosen) return Problem("--format takes s16, s24 or f32, not '" + *value + "'");
    request.encoding = *chosen;
  }
  std::optional<AudioFileFormat> format =
      request.ToStandardOutput() ? AudioFileFormat::Wav : AudioFileFormatFor(request.output);
  if (const auto value = given.Value("--type")) {
    format = AudioFileFormatNamed(*value);
    if (!format) return Problem("--type takes wav, flac or raw, not '" + *value + "'");
  } else if (!format) {
    return Problem("the output file's name must end in .wav, .flac, .pcm or .raw, or --type must say: '" +
                   request.output + "'");
  }
  request.format = *format;
  if (request.format == AudioFileFormat::Flac && request.encoding == AudioSampleEncoding::Float32) {
    return Problem("FLAC holds 16-bit or 24-bit samples, not f32");
  }
  if (const std::string problem = ReadSpeakersOption(given, &request.speakers); !problem.empty()) return Problem(problem);
  if (request.format == AudioFileFormat::Flac && request.speakers == SpeakerLayoutId::TwoPointOne) return Problem(kNoFlac21);
  return {request, {}};
}

}  // namespace sondrel
