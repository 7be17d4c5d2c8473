// How long the GUI thread is held by the sound system when a playing tone is
// retuned (stopped and started again, as every edit does): a looping 1000 Hz
// tone on the default output of the sound server in the environment, retuned
// once a second. Prints how many retunes held the thread over 100 ms, the
// median and the longest; the 200 ms start pause of a constant tone is the
// program's own wait and is not counted. Nothing is asserted.
//   sondrel_retune_stalls [RETUNES]      (default 60: one minute)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/Playback.h"
#include "platform/SoundOutput.h"

namespace {

using Clock = std::chrono::steady_clock;

// The engine's window without a window: the start pause is skipped.
class HeadlessWindow : public sondrel::EngineWindow {
 public:
  sondrel::PanelState ReadPanelState() override { return {}; }
  void SetOnButtonCaption(const std::string&) override {}
  void SetWaveDeviceEnabled(bool) override {}
  void ProcessMessages() override {}
  void Sleep(int) override {}
  bool ApplicationQuitting() override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  const int retunes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  sondrel::SoundOutput waveOut;
  if (!waveOut.StartError().empty()) {
    std::fprintf(stderr, "%s\n", waveOut.StartError().c_str());
    return 1;
  }
  HeadlessWindow window;
  sondrel::Playback playback(waveOut, window);
  playback.StartTone();
  std::vector<double> held;  // ms per retune
  for (int retune = 0; retune < retunes; ++retune) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto start = Clock::now();
    playback.StopTone();
    playback.StartTone();
    held.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  playback.StopTone();
  std::sort(held.begin(), held.end());
  const auto over = std::count_if(held.begin(), held.end(), [](double ms) { return ms > 100; });
  std::printf("%d retunes, one a second: %ld held the GUI thread over 100 ms; median %.1f ms, longest %.1f ms\n",
              retunes, static_cast<long>(over), held[held.size() / 2], held.back());
  std::printf("load average (other work on the machine): %s", [] {
    static char text[64] = "?\n";
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
      if (std::fgets(text, sizeof text, file) == nullptr) text[0] = '\0';
      std::fclose(file);
    }
    return text;
  }());
  return 0;
}
