#include "terminal/TerminalCommands.h"

#include <sys/stat.h>

#include <iostream>

#include "platform/SoundOutput.h"
#include "platform/CommandLinePath.h"
#include "terminal/PlayCommand.h"
#include "terminal/WalkCommand.h"
#include "terminal/RenderCommand.h"

namespace sondrel {

namespace {

constexpr const char* kVersionText = "Sondrel " SONDREL_VERSION;

int ListDevices() {
  SoundOutput waveOut;
  if (!waveOut.StartError().empty()) return Failure(waveOut.StartError());
  for (uint32_t device = 0; device < waveOut.GetNumDevs(); ++device) {
    const int32_t rate = waveOut.GetDeviceRate(static_cast<int32_t>(device));
    const std::vector<std::string> positions = waveOut.GetDevicePositions(static_cast<int32_t>(device));
    std::string named;
    for (const std::string& position : positions) named += (named.empty() ? "" : ",") + position;
    std::cout << device << '\t' << waveOut.GetDeviceName(device) << '\t' << (rate > 0 ? std::to_string(rate) : "-")
              << '\t' << (positions.empty() ? "-" : std::to_string(positions.size())) << '\t'
              << (named.empty() ? "-" : named) << '\n';
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
                [--type T] [--speakers LAYOUT]
       sondrel --play SCRIPT [--device D] [--speakers LAYOUT]
       sondrel --walk [--device D] [--speakers LAYOUT]
       sondrel --list-devices | --help | --version

Sondrel plays test tones, sweeps and noise. Without options it opens its window; a
script FILE (*.kvs) is played at once and the program then ends, a preset
FILE (*.kvp) is loaded into the sweep memories.

Commands (only as the first argument; their options in any order, each
followed by its value or joined to it by '=', as in --rate=48000):
  -h, --help        print this help and exit
  --version         print the version and exit
  --list-devices    print the sound output devices, one a line, as
                    NUMBER<TAB>NAME<TAB>RATE<TAB>CHANNELS<TAB>POSITIONS,
                    numbered as in the window's device list (0 is the
                    default output), with the frames per second the device
                    runs at, its channel count and their positions (FL,FR
                    say; - when unknown), and exit
  --render SCRIPT -o OUT
                    render the script SCRIPT (- for standard input) into the
                    audio file OUT (- for standard output) instead of playing
                    it, as fast as the machine allows, with no display or
                    sound device (stereo when any signal is):
      -o OUT          .wav, .flac, .pcm or .raw by its name; - writes WAV
                      to standard output
      --type T        wav, flac or raw, whatever OUT's name
      --rate R        R frames a second (default: the sample rate of the
                      settings window, 44100 when it follows the device)
      --format F      samples of s16 (the default), s24 or f32 (not FLAC)
      --max-seconds S "repeat" plays the script over until S seconds of
                      audio (default 3600) have been written
      --speakers LAYOUT
                      stereo, 2.1, quad, 5.1 or 7.1 (default: the stored
                      Speakers setting, Stereo without one or when it follows
                      the device): a file of the layout's channels, each
                      signal on the speakers the script's "speakers" lines
                      choose (WAV names them; FLAC has no 2.1)
  --play SCRIPT     play the script SCRIPT (- for standard input) with no
                    window; messages go to standard error, and a pause
                    waits for Enter when standard input is a terminal
      --device D      the device numbered or named D by --list-devices
                      (default 0, the default output)
      --speakers LAYOUT
                      as for --render (following the device, its own
                      layout): the device is opened with the layout's
                      speaker positions
  --walk            pink noise at -20 dB on each speaker in turn, 3 seconds
                    each, clockwise from the front left (FL FC FR SR RR RL
                    SL), the subwoofer (LFE) last; each name is written to
                    standard error and spoken on its speaker first by the
                    desktop's sound theme (sound-theme-freedesktop)
      --device D      as for --play
      --speakers LAYOUT
                      as for --play

Environment:
  SONDREL_NONINTERACTIVE=1  write message boxes to standard error and answer
                    them at once (scripts on unattended machines)
  PULSE_SERVER      the sound server to play on (PulseAudio, or PipeWire
                    through pipewire-pulse); by default the desktop's
  SDL_AUDIODRIVER, SDL_DISKAUDIOFILE, SDL_DISKAUDIODELAY
                    without a sound server SDL plays; a driver of SDL's
                    other than pulseaudio is used instead of the server,
                    e.g. SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=out.raw
                    to record what is played
  XDG_CONFIG_HOME   where the settings live (default ~/.config/sondrel)
  LC_ALL, LC_NUMERIC, LANG
                    the decimal separator of the numbers in a script
  QT_QPA_PLATFORM   the window system, e.g. offscreen

Exit status:
  0    success
  1    a script stopped on an error, a render failed, or no sound system
  2    a command line that is not understood
  128+N  ended by signal N (SIGTERM, SIGINT, SIGHUP), as File > Exit would

Sondrel is free software under the GNU General Public License, version 3 or
later (see COPYING); it comes with no warranty, to the extent the law allows.
)";
}

std::optional<int> RunTerminalCommand(const std::vector<std::string>& given) {
  if (given.empty()) return std::nullopt;
  if (FileExists(CommandLinePath(given))) return std::nullopt;  // a file of that name: the usual file argument
  // The script joined to its command as any option's value ("--render=sweep.kvs").
  std::vector<std::string> arguments = given;
  for (const std::string command : {"--render", "--play"}) {
    if (given[0].rfind(command + "=", 0) == 0) {
      arguments[0] = command;
      const std::string script = given[0].substr(command.size() + 1);
      if (!script.empty()) arguments.insert(arguments.begin() + 1, script);  // none: the command says it needs one
    }
  }
  const std::string option = arguments[0] == "-h" ? "--help" : arguments[0];
  if (option != "--help" && option != "--version" && option != "--list-devices" && option != "--render" &&
      option != "--play" && option != "--walk") {
    return std::nullopt;
  }

  if (option == "--render") return RenderCommand(arguments);
  if (option == "--play") return PlayCommand(arguments);
  if (option == "--walk") return WalkCommand(arguments);
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
