#include "app/TerminalCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <stdexcept>

#include "app/CommandLine.h"
#include "app/StoredOptions.h"
#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "platform/AtomicFileStream.h"
#include "platform/AudioFileWriter.h"
#include "platform/SdlWaveOut.h"
#include "platform/SettingsStore.h"
#include "platform/TextReader.h"
#include "script/ScriptFile.h"
#include "script/ScriptRenderer.h"

namespace sondrel {

namespace {

constexpr const char* kVersionText = "Sondrel 2.4";
constexpr double kDefaultMaxSeconds = 3600;
// The rates a render takes: telephone quality up to the highest studio rate.
constexpr int32_t kLowestRate = 8000;
constexpr int32_t kHighestRate = 384000;

int UsageError(const std::string& problem) {
  std::cerr << "sondrel: " << problem << "\nTry 'sondrel --help' for more information.\n";
  return kExitUsage;
}

int Failure(const std::string& problem) {
  std::cerr << "sondrel: " << problem << "\n";
  return kExitFailure;
}

// Success once everything written to standard output has gone; a full disk
// or a closed pipe there is a failure, not a success.
int StandardOutputWritten() {
  std::cout.flush();
  if (std::cout.good() && std::fflush(stdout) == 0) return kExitOk;
  return Failure(std::string("standard output: ") + std::strerror(errno != 0 ? errno : EIO));
}

int ListDevices() {
  SdlWaveOut waveOut;
  if (!waveOut.StartError().empty()) return Failure(waveOut.StartError());
  for (uint32_t device = 0; device < waveOut.GetNumDevs(); ++device) {
    const int32_t rate = waveOut.GetDeviceRate(static_cast<int32_t>(device));
    std::cout << device << '\t' << waveOut.GetDeviceName(device) << '\t' << (rate > 0 ? std::to_string(rate) : "-")
              << '\n';
  }
  return kExitOk;
}

// One line on a terminal's standard error once a render has taken a second,
// redrawn a few times a second; nothing when standard error is no terminal.
class Progress {
 public:
  Progress() : shown_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_(start_) {}
  ~Progress() {
    if (drawn_) std::cerr << "\r\033[K" << std::flush;
  }
  void Update(uint64_t frames, int32_t rate) {
    if (!shown_) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    drawn_ = true;
    char line[80];
    std::snprintf(line, sizeof line, "\rsondrel: rendering, %.1f s of audio so far", static_cast<double>(frames) / rate);
    std::cerr << line << std::flush;
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  bool drawn_ = false;
  Clock::time_point start_, last_;
};

void EndRenderOnSignal(int signalNumber) {
  RemovePendingTemporaryFile();
  _exit(128 + signalNumber);
}

int Render(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return UsageError("--render needs a script: --render SCRIPT -o OUT");
  const std::string script = arguments[1];
  std::string output;
  double maxSeconds = kDefaultMaxSeconds;
  std::optional<int32_t> rate;  // nothing: the stored setting
  AudioSampleEncoding encoding = AudioSampleEncoding::Pcm16;
  std::vector<std::string> given;
  for (size_t i = 2; i < arguments.size(); i += 2) {
    if (i + 1 >= arguments.size()) return UsageError("'" + arguments[i] + "' needs a value");
    if (std::find(given.begin(), given.end(), arguments[i]) != given.end()) {
      return UsageError("'" + arguments[i] + "' is given twice");
    }
    given.push_back(arguments[i]);
    const std::string& value = arguments[i + 1];
    if (arguments[i] == "-o") {
      output = value;
    } else if (arguments[i] == "--max-seconds") {
      // Plain decimal digits: no blanks, signs, hexadecimal, "inf" or "nan";
      // at least one frame and at most 1e9 seconds.
      const bool decimal = !value.empty() && value.find_first_not_of("0123456789.eE+-") == std::string::npos &&
                           (std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '.');
      char* end = nullptr;
      maxSeconds = decimal ? std::strtod(value.c_str(), &end) : 0;
      if (!decimal || *end != '\0' || !(maxSeconds * kLowestRate >= 1) || maxSeconds > 1e9) {
        return UsageError("--max-seconds takes a number of seconds of at least one frame, not '" + value + "'");
      }
    } else if (arguments[i] == "--format") {
      if (value == "s16") {
        encoding = AudioSampleEncoding::Pcm16;
      } else if (value == "s24") {
        encoding = AudioSampleEncoding::Pcm24;
      } else if (value == "f32") {
        encoding = AudioSampleEncoding::Float32;
      } else {
        return UsageError("--format takes s16, s24 or f32, not '" + value + "'");
      }
    } else if (arguments[i] == "--rate") {
      const bool digits = !value.empty() && value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos;
      const long number = digits ? std::stol(value) : 0;
      if (number < kLowestRate || number > kHighestRate) {
        return UsageError("--rate takes frames per second from " + std::to_string(kLowestRate) + " to " +
                          std::to_string(kHighestRate) + ", not '" + value + "'");
      }
      rate = static_cast<int32_t>(number);
    } else {
      return UsageError("unknown option '" + arguments[i] + "'");
    }
  }
  if (output.empty()) return UsageError("--render needs an output file: -o OUT");
  const std::optional<AudioFileFormat> format = AudioFileFormatFor(output);
  if (!format) return UsageError("the output file's name must end in .wav, .flac, .pcm or .raw: '" + output + "'");
  if (*format == AudioFileFormat::Flac && encoding == AudioSampleEncoding::Float32) {
    return UsageError("FLAC holds 16-bit or 24-bit samples, not f32");
  }

  // Interrupted, the render leaves no part of its file behind.
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, &EndRenderOnSignal);
  const StoredOptions options = LoadStoredOptions(SettingsStore::DefaultPath());
  if (!options.error.empty()) std::cerr << "sondrel: " << options.error << "\n";
  const std::string scriptName = script == "-" ? "standard input" : script;
  std::unique_ptr<ScriptFile> file;
  try {
    if (script == "-") {
      std::vector<uint8_t> bytes;
      if (const int error = ReadWholeStream(STDIN_FILENO, &bytes); error != 0) throw FileError(error, "-");
      file = std::make_unique<ScriptFile>(std::move(bytes));
    } else {
      file = std::make_unique<ScriptFile>(script);
    }
    // "The output device's rate" has no device to follow here: 44100.
    const int32_t frameRate = rate.value_or(options.sampleRate > 0 ? options.sampleRate : kFramesPerSecond);
    if (maxSeconds * frameRate < 1) return UsageError("--max-seconds is shorter than one frame at that rate");
    ScriptRenderer renderer(*file, RenderSettings{maxSeconds, options.alwaysStereo, options.longBuffer, frameRate});
    const int channels = renderer.Channels();
    AudioFileWriter writer(output, *format, channels, frameRate, encoding);
    Progress progress;
    renderer.onPause = [](const std::string& message) { std::cerr << "sondrel: " << message << "\n"; };
    renderer.onProgress = [&progress, frameRate](uint64_t frames) { progress.Update(frames, frameRate); };
    auto write = [&writer](const auto* samples, size_t frames) { writer.Write(samples, frames); };
    const uint64_t made =
        encoding == AudioSampleEncoding::Pcm24     ? renderer.Render(channels, ScriptRenderer::SampleWriter<int32_t>(write))
        : encoding == AudioSampleEncoding::Float32 ? renderer.Render(channels, ScriptRenderer::SampleWriter<float>(write))
                                                   : renderer.Render(channels, ScriptRenderer::SampleWriter<int16_t>(write));
    // No format holds "no audio" alike (an empty FLAC file is not FLAC).
    if (made == 0) throw AppError("The script makes no audio: no file was written");
    writer.Commit();
    if (renderer.CutShort()) {
      std::cerr << "sondrel: " << scriptName << ": the audio was cut at --max-seconds " << maxSeconds
                << " before the script's end\n";
    }
  } catch (const AppError& error) {  // the script's errors
    std::string message = scriptName + ": " + error.what();
    if (file && file->LineFeedsAlone()) {
      message += " (its lines end in a line feed alone; a script's lines end in a carriage return and a line feed)";
    }
    return Failure(message);
  } catch (const std::exception& error) {  // the output file's, which name it
    return Failure(error.what());
  }
  return kExitOk;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string UsageText() {
  return R"(Usage: sondrel [FILE]
       sondrel --render SCRIPT -o OUT [--max-seconds S] [--rate R] [--format F]
       sondrel --list-devices | --help | --version

Sondrel plays test tones and sweeps. Without options it opens its window; a
script FILE (*.kvs) is played at once and the program then ends, a preset
FILE (*.kvp) is loaded into the sweep memories.

Options (only as the first argument):
  -h, --help        print this help and exit
  --version         print the version and exit
  --list-devices    print the sound output devices, one a line, as
                    NUMBER<TAB>NAME<TAB>RATE, numbered as in the window's
                    device list (0 is the default output), with the frames
                    per second the device runs at (- when unknown), and exit
  --render SCRIPT -o OUT [--max-seconds S] [--rate R] [--format F]
                    render the script SCRIPT (- for standard input) into the
                    audio file OUT instead of playing it, as fast as the
                    machine allows, with no display or sound device. The
                    format follows OUT's name: .wav, .flac, .pcm or .raw
                    (stereo when any signal is), at R frames a second
                    (default: the sample rate of the settings window, 44100
                    when it follows the output device), with samples of F:
                    s16 (the default), s24 or f32 (not in .flac).
                    "repeat" plays the script over until S seconds of audio
                    (default 3600) have been written.

Environment:
  SONDREL_NONINTERACTIVE=1  write message boxes to standard error and answer
                    them at once (scripts on unattended machines)
  SDL_AUDIODRIVER, SDL_DISKAUDIOFILE, SDL_DISKAUDIODELAY
                    choose the sound output, e.g. SDL_AUDIODRIVER=disk
                    SDL_DISKAUDIOFILE=out.raw to record what is played
  XDG_CONFIG_HOME   where the settings live (default ~/.config/sondrel)
  QT_QPA_PLATFORM   the window system, e.g. offscreen

Exit status:
  0    success
  1    a script stopped on an error, a render failed, or no sound system
  2    a command line that is not understood
  128+N  ended by signal N (SIGTERM, SIGINT, SIGHUP), as File > Exit would
)";
}

std::optional<int> RunTerminalCommand(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  const std::string option = arguments[0] == "-h" ? "--help" : arguments[0];
  if (option != "--help" && option != "--version" && option != "--list-devices" && option != "--render") {
    return std::nullopt;
  }
  if (FileExists(CommandLinePath(arguments))) return std::nullopt;  // a file of that name: the usual file argument

  if (option == "--render") return Render(arguments);
  if (arguments.size() > 1) return UsageError("'" + arguments[0] + "' takes no arguments");
  if (option == "--help") {
    std::cout << UsageText();
  } else if (option == "--version") {
    std::cout << kVersionText << '\n';
  } else {
    const int status = ListDevices();
    if (status != kExitOk) return status;
  }
  return StandardOutputWritten();
}

}  // namespace sondrel
