#include "terminal/RenderCommand.h"

#include <unistd.h>

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
#include "terminal/NumberReading.h"
#include "terminal/ProgressLine.h"
#include "terminal/RenderRequest.h"
#include "terminal/ScriptArgument.h"
#include "terminal/TerminalMessages.h"

namespace sondrel {

namespace {

void EndRenderOnSignal(int signalNumber) {
  RemovePendingTemporaryFile();
  _exit(128 + signalNumber);
}

}  // namespace

int RenderCommand(const std::vector<std::string>& arguments) {
  const RenderRequestReading reading = ReadRenderRequest(arguments);
  if (!reading.request) return UsageError(reading.problem);
  const RenderRequest& request = *reading.request;
  const bool toStandardOutput = request.ToStandardOutput();
  if (toStandardOutput && isatty(STDOUT_FILENO) == 1) {
    return UsageError("standard output is a terminal: audio is not written there (pipe it on or redirect it)");
  }

  // Interrupted, the render leaves no part of its file behind.
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, &EndRenderOnSignal);
  const StoredOptions options = LoadStoredOptions(SettingsStore::DefaultPath());
  if (!options.error.empty()) Note(options.error);
  UseTheLocaleDecimalSeparator();
  ScriptArgument script(request.script);
  try {
    ScriptFile& file = script.Open();
    // "The output device's rate" has no device to follow here: 44100.
    SignalOptions signal = options.ForSignals(0);
    if (request.rate) signal.rate = *request.rate;
    if (request.speakers) signal.speakers = *request.speakers;
    if (request.format == AudioFileFormat::Flac && signal.speakers == SpeakerLayoutId::TwoPointOne) {
      return Failure(std::string(kNoFlac21) + ", or give --speakers (the settings say 2.1)");
    }
    const SpeakerLayout& layout = LayoutOf(signal.speakers);
    const uint32_t channelMask = layout.Surround() ? layout.channelMask : 0;
    const int32_t frameRate = signal.rate;
    if (request.maxSeconds * frameRate < 1) return UsageError("--max-seconds is shorter than one frame at that rate");
    ScriptRenderer renderer(file, RenderSettings{request.maxSeconds, signal});
    const int channels = renderer.Channels();
    const std::unique_ptr<AudioFileWriter> writer =
        toStandardOutput
            ? std::make_unique<AudioFileWriter>(STDOUT_FILENO, "standard output", request.format, channels, frameRate,
                                                request.encoding, channelMask)
            : std::make_unique<AudioFileWriter>(request.output, request.format, channels, frameRate, request.encoding,
                                                channelMask);
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
    const AudioSampleEncoding encoding = request.encoding;
    const uint64_t made =
        encoding == AudioSampleEncoding::Pcm24     ? renderer.Render(channels, ScriptRenderer::SampleWriter<int32_t>(write))
        : encoding == AudioSampleEncoding::Float32 ? renderer.Render(channels, ScriptRenderer::SampleWriter<float>(write))
                                                   : renderer.Render(channels, ScriptRenderer::SampleWriter<int16_t>(write));
    // No format holds "no audio" alike (an empty FLAC file is not FLAC).
    if (made == 0) throw AppError(toStandardOutput ? "The script makes no audio" : "The script makes no audio: no file was written");
    writer->Commit();
    progress.Clear();
    if (renderer.CutShort()) {
      Note(script.Name() + ": the audio was cut at --max-seconds " + request.maxSecondsText +
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
