#include "terminal/RenderCommand.h"

#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "settings/StoredOptions.h"
#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "platform/AtomicFileStream.h"
#include "platform/AudioFileWriter.h"
#include "platform/SettingsStore.h"
#include "script/ScriptRenderer.h"
#include "terminal/CommandOptions.h"
#include "terminal/NumberReading.h"
#include "terminal/ProgressLine.h"
#include "terminal/ScriptArgument.h"
#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {

constexpr double kDefaultMaxSeconds = 3600;
// The rates a render takes: telephone quality up to the highest studio rate.
constexpr int32_t kLowestRate = 8000;
constexpr int32_t kHighestRate = 384000;

void EndRenderOnSignal(int signalNumber) {
  RemovePendingTemporaryFile();
  _exit(128 + signalNumber);
}

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
  if (number < kLowestRate || number > kHighestRate) return std::nullopt;
  return static_cast<int32_t>(number);
}

std::optional<AudioSampleEncoding> Encoding(const std::string& value) {
  if (value == "s16") return AudioSampleEncoding::Pcm16;
  if (value == "s24") return AudioSampleEncoding::Pcm24;
  if (value == "f32") return AudioSampleEncoding::Float32;
  return std::nullopt;
}

}  // namespace

int RenderCommand(const std::vector<std::string>& arguments) {
  const CommandOptions given =
      ReadCommandOptions(arguments, {"-o", "--max-seconds", "--rate", "--format", "--type", "--speakers"}, "a script: --render SCRIPT -o OUT");
  if (!given.problem.empty()) return UsageError(given.problem);
  const std::optional<std::string> output = given.Value("-o");
  if (!output || output->empty()) return UsageError("--render needs an output file: -o OUT (- for standard output)");
  const bool toStandardOutput = *output == "-";

  double maxSeconds = kDefaultMaxSeconds;
  if (const auto value = given.Value("--max-seconds")) {
    const std::optional<double> seconds = Seconds(*value);
    // At least one frame and at most 1e9 seconds.
    if (!seconds || !(*seconds * kLowestRate >= 1) || *seconds > 1e9) {
      return UsageError("--max-seconds takes a number of seconds of at least one frame, not '" + *value + "'");
    }
    maxSeconds = *seconds;
  }
  std::optional<int32_t> rate;  // nothing: the stored setting
  if (const auto value = given.Value("--rate")) {
    rate = Rate(*value);
    if (!rate) {
      return UsageError("--rate takes frames per second from " + std::to_string(kLowestRate) + " to " +
                        std::to_string(kHighestRate) + ", not '" + *value + "'");
    }
  }
  AudioSampleEncoding encoding = AudioSampleEncoding::Pcm16;
  if (const auto value = given.Value("--format")) {
    const std::optional<AudioSampleEncoding> chosen = Encoding(*value);
    if (!chosen) return UsageError("--format takes s16, s24 or f32, not '" + *value + "'");
    encoding = *chosen;
  }
  std::optional<AudioFileFormat> format = toStandardOutput ? AudioFileFormat::Wav : AudioFileFormatFor(*output);
  if (const auto value = given.Value("--type")) {
    format = AudioFileFormatNamed(*value);
    if (!format) return UsageError("--type takes wav, flac or raw, not '" + *value + "'");
  } else if (!format) {
    return UsageError("the output file's name must end in .wav, .flac, .pcm or .raw, or --type must say: '" + *output +
                      "'");
  }
  if (*format == AudioFileFormat::Flac && encoding == AudioSampleEncoding::Float32) {
    return UsageError("FLAC holds 16-bit or 24-bit samples, not f32");
  }
  std::optional<SpeakerLayoutId> speakers;  // nothing: the stored setting
  if (const std::string problem = ReadSpeakersOption(given, &speakers); !problem.empty()) return UsageError(problem);
  // FLAC's three channels are FL FR FC; it has no mark for 2.1's FL FR LFE.
  const char* kNoFlac21 = "FLAC has no 2.1 layout (its three channels are FL FR FC): write WAV or raw";
  if (*format == AudioFileFormat::Flac && speakers == SpeakerLayoutId::TwoPointOne) return UsageError(kNoFlac21);
  if (toStandardOutput && isatty(STDOUT_FILENO) == 1) {
    return UsageError("standard output is a terminal: audio is not written there (pipe it on or redirect it)");
  }

  // Interrupted, the render leaves no part of its file behind.
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, &EndRenderOnSignal);
  const StoredOptions options = LoadStoredOptions(SettingsStore::DefaultPath());
  if (!options.error.empty()) Note(options.error);
  UseTheLocaleDecimalSeparator();
  ScriptArgument script(given.operand);
  try {
    ScriptFile& file = script.Open();
    // "The output device's rate" has no device to follow here: 44100.
    SignalOptions signal = options.ForSignals(0);
    if (rate) signal.rate = *rate;
    if (speakers) signal.speakers = *speakers;
    if (*format == AudioFileFormat::Flac && signal.speakers == SpeakerLayoutId::TwoPointOne) {
      return Failure(std::string(kNoFlac21) + ", or give --speakers (the settings say 2.1)");
    }
    const SpeakerLayout& layout = LayoutOf(signal.speakers);
    const uint32_t channelMask = layout.Surround() ? layout.channelMask : 0;
    const int32_t frameRate = signal.rate;
    if (maxSeconds * frameRate < 1) return UsageError("--max-seconds is shorter than one frame at that rate");
    ScriptRenderer renderer(file, RenderSettings{maxSeconds, signal});
    const int channels = renderer.Channels();
    const std::unique_ptr<AudioFileWriter> writer =
        toStandardOutput
            ? std::make_unique<AudioFileWriter>(STDOUT_FILENO, "standard output", *format, channels, frameRate, encoding,
                                                channelMask)
            : std::make_unique<AudioFileWriter>(*output, *format, channels, frameRate, encoding, channelMask);
    ProgressLine progress("rendering");
    renderer.onPause = [&progress](const std::string& message) {
      progress.Clear();
      Note(message);
    };
    renderer.onNote = [&progress, &script](int line, const std::string& note) {
      progress.Clear();
      Note(script.Name() + ": line " + std::to_string(line) + ": " + note);
    };
    renderer.onProgress = [&progress, frameRate](uint64_t frames) { progress.Update(frames, frameRate); };
    auto write = [&writer](const auto* samples, size_t frames) { writer->Write(samples, frames); };
    const uint64_t made =
        encoding == AudioSampleEncoding::Pcm24     ? renderer.Render(channels, ScriptRenderer::SampleWriter<int32_t>(write))
        : encoding == AudioSampleEncoding::Float32 ? renderer.Render(channels, ScriptRenderer::SampleWriter<float>(write))
                                                   : renderer.Render(channels, ScriptRenderer::SampleWriter<int16_t>(write));
    // No format holds "no audio" alike (an empty FLAC file is not FLAC).
    if (made == 0) throw AppError(toStandardOutput ? "The script makes no audio" : "The script makes no audio: no file was written");
    writer->Commit();
    progress.Clear();
    if (renderer.CutShort()) {
      Note(script.Name() + ": the audio was cut at --max-seconds " + given.Value("--max-seconds").value_or("3600") +
           " before the script's end");
    }
  } catch (const AppError& error) {  // the script's errors
    return Failure(script.Problem(error.what()));
  } catch (const std::exception& error) {  // the output's, which name it
    return Failure(error.what());
  }
  return kExitOk;
}

}  // namespace sondrel
