// Figures of the playback path on the sound server in the environment (the
// private one that scripts/playback-figures.sh starts, with null sinks
// "Sondrel-Test-First", the default, and "Sondrel-Test-Second"), each taken
// from recordings of the sinks' monitors. Nothing is asserted.
//   1. A stereo sweep of SECONDS (default 20) at the device's rate, played by
//      Sondrel on the first sink while paplay plays the same samples on the
//      second (and, where a third sink "Sondrel-Test-Third" is there,
//      PipeWire's own pw-play on it), in the same seconds: dropouts, their
//      length, missing frames, and the CPU time of Sondrel's stream thread.
//   2. The silence between the lines of a script of 0.3 s tones played by
//      `sondrel --play` (the specified start pause is 200 ms).
//   3. How soon a retune is heard: a looping sweep retuned to another, from
//      the edit to the new sweep's first frame on the monitor (a sweep has no
//      start pause; a constant tone adds its specified 200 ms), and how soon
//      the old one fell silent. The recording's clock is the file's length,
//      a few milliseconds late, so these are upper bounds.
//   sondrel_playback_figures [SECONDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Playback.h"
#include "engine/Synthesis.h"
#include "platform/PulseWaveOut.h"
#include "platform/SoundOutput.h"
#include "tests/support/MonitorRecording.h"

namespace {

using namespace sondrel;
using namespace sondrel::testing_support;

class RealTimeWindow : public EngineWindow {
 public:
  PanelState panel;
  PanelState ReadPanelState() override { return panel; }
  void SetOnButtonCaption(const std::string&) override {}
  void SetWaveDeviceEnabled(bool) override {}
  void ProcessMessages() override {}
  void Sleep(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
  bool ApplicationQuitting() override { return false; }
};

int32_t DeviceNamed(SoundOutput& out, const std::string& description) {
  for (uint32_t device = 0; device < out.GetNumDevs(); ++device) {
    if (out.GetDeviceName(device) == description) return static_cast<int32_t>(device);
  }
  return -1;
}

// CPU time of one thread of this process, in milliseconds.
double ThreadCpuMs(int thread) {
  std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t end = text.rfind(')');
  if (end == std::string::npos) return -1;
  std::vector<std::string> fields;
  size_t at = end + 2;
  while (at < text.size()) {
    const size_t space = text.find(' ', at);
    fields.push_back(text.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  if (fields.size() < 13) return -1;
  return (std::stod(fields[11]) + std::stod(fields[12])) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate) {
  auto word = [](std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::ofstream out(path, std::ios::binary);
  out << "RIFF";
  word(out, 36 + data, 4);
  out << "WAVEfmt ";
  word(out, 16, 4);
  word(out, 1, 2);  // PCM
  word(out, 2, 2);
  word(out, static_cast<uint32_t>(rate), 4);
  word(out, static_cast<uint32_t>(rate) * 4, 4);
  word(out, 4, 2);
  word(out, 16, 2);
  out << "data";
  word(out, data, 4);
  out.write(reinterpret_cast<const char*>(samples.data()), data);
}

void PrintComparison(const char* client, const PathComparison& result, int rate) {
  if (!result.found) {
    std::printf("  %-8s the signal is not in the recording\n", client);
    return;
  }
  std::printf("  %-8s %zu dropouts, longest %.1f ms, %.1f ms of silence inserted, %zu frames missing, %zu changed in %zu stretches%s; "
              "%.1f ms of the start not played\n",
              client, result.dropouts, 1000.0 * result.longestDropout / rate, 1000.0 * result.silentFrames / rate,
              result.missingFrames, result.changedFrames, result.changedRuns, result.reachedEnd ? "" : ", the end not reached",
              1000.0 * result.lostAtStart / rate);
}

void SweepBesidePaplay(SoundOutput& out, PulseWaveOut* pulse, int32_t first, int rate, int seconds) {
  RealTimeWindow window;
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.fInit = "20";
  window.panel.fFinal = "20000";
  window.panel.Duration = std::to_string(seconds);
  window.panel.Amplitude = "-6";
  window.panel.AlwaysStereo = true;
  window.panel.Loop = false;
  window.panel.WaveDevice = first;
  window.panel.SampleRate = rate;
  const std::vector<int16_t> signal = SynthesizedSamples(window.panel);
  const std::string raw = "/tmp/sondrel-figures-sweep.raw";
  std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(signal.data()), signal.size() * 2);

  // PipeWire's own client, where the script made it a sink: pw-play reads
  // a WAV file.
  const bool native = DeviceNamed(out, "Sondrel-Test-Third") > 0 && RunToEnd({"sh", "-c", "command -v pw-play >/dev/null"}) == 0;
  const std::string wav = "/tmp/sondrel-figures-sweep.wav";
  if (native) WriteWav(wav, signal, rate);
  MonitorRecorder ours("sondrel_first", "/tmp/sondrel-figures-ours.raw", rate);
  MonitorRecorder theirs("sondrel_second", "/tmp/sondrel-figures-paplay.raw", rate);
  std::unique_ptr<MonitorRecorder> pipeWires;
  if (native) pipeWires = std::make_unique<MonitorRecorder>("sondrel_third", "/tmp/sondrel-figures-pw-play.raw", rate);
  const pid_t paplay = Spawn({"paplay", "--device=sondrel_second", "--raw", "--format=s16le",
                              "--rate=" + std::to_string(rate), "--channels=2", raw});
  const pid_t pwPlay = native ? Spawn({"pw-play", "--target=sondrel_third", wav}) : 0;
  Playback playback(out, window);
  const int thread = pulse != nullptr ? pulse->StreamThreadId() : 0;
  const double cpuBefore = thread != 0 ? ThreadCpuMs(thread) : -1;
  const uint64_t starvedBefore = pulse != nullptr ? pulse->Starvations() : 0;
  playback.StartTone();  // returns when the sweep has played
  const double cpuAfter = thread != 0 ? ThreadCpuMs(thread) : -1;
  WaitFor(paplay);
  WaitFor(pwPlay);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::printf("%d s stereo sweep at %d Hz, side by side:\n", seconds, rate);
  PrintComparison("sondrel", CompareWithSignal(ours.Samples(), signal, 2), rate);
  PrintComparison("paplay", CompareWithSignal(theirs.Samples(), signal, 2), rate);
  if (native) PrintComparison("pw-play", CompareWithSignal(pipeWires->Samples(), signal, 2), rate);
  if (pulse != nullptr) {
    std::printf("  the server ran out of Sondrel's sound %llu times while more was to come (its own account)\n",
                static_cast<unsigned long long>(pulse->Starvations() - starvedBefore));
  }
  if (cpuBefore >= 0 && cpuAfter >= 0) {
    std::printf("  sondrel's stream thread (%s): %.0f ms of CPU time for %d s of sound (%.2f %% of a core)\n",
                pulse->RealtimeProblem().empty() ? "real-time" : ("ordinary priority: " + pulse->RealtimeProblem()).c_str(),
                cpuAfter - cpuBefore, seconds, (cpuAfter - cpuBefore) / (10.0 * seconds));
  }
  std::remove(raw.c_str());
  std::remove(wav.c_str());
}

std::string Range(std::vector<double> values) {
  if (values.empty()) return "none measured";
  std::sort(values.begin(), values.end());
  char text[96];
  std::snprintf(text, sizeof text, "median %.1f ms, range %.1f-%.1f ms (%zu)", values[values.size() / 2],
                values.front(), values.back(), values.size());
  return text;
}

// A script of 50 Hz tones (each the specified start pause, then the same
// buffer from its first frame; a period longer than what PulseAudio's
// monitor misses of a start) played by the terminal at the device's rate.
void ScriptGaps(int rate) {
  constexpr int kLines = 6;
  const std::string folder = "/tmp/sondrel-figures-config";
  RunToEnd({"mkdir", "-p", folder + "/sondrel"});
  std::ofstream(folder + "/sondrel/settings", std::ios::binary)
      << "[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nLongBuffer=dword:00000000\nSampleRate=dword:00000000\n";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  std::string script;
  for (int line = 0; line < kLines; ++line) script += "tone 50 0.3 -6 0\r\n";
  script += "end\r\n";
  const std::string file = "/tmp/sondrel-figures-script.kvs";
  std::ofstream(file, std::ios::binary) << script;
  MonitorRecorder recorder("sondrel_first", "/tmp/sondrel-figures-script.raw", rate);
  RunToEnd({SONDREL_EXECUTABLE, "--play", file, "--device", "Sondrel-Test-First"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  PanelState tone;
  tone.fEdit = "50";
  tone.Amplitude = "-6";
  tone.AlwaysStereo = true;
  tone.SampleRate = rate;
  const auto silences = SilencesBetween(recorder.Samples(), SynthesizedSamples(tone), 2, rate);
  std::printf("silence between the lines of a script of %d tones (sondrel --play; the start pause is 200 ms): %s\n",
              kLines, Range(silences).c_str());
  std::remove(file.c_str());
}

void RetuneLatency(SoundOutput& out, int32_t first, int rate) {
  constexpr int kRetunes = 10;
  RealTimeWindow window;
  window.panel.SignalType = SignalPage::Sweep;
  window.panel.Duration = "1";
  window.panel.Amplitude = "-6";
  window.panel.AlwaysStereo = true;
  window.panel.Loop = true;
  window.panel.WaveDevice = first;
  window.panel.SampleRate = rate;
  std::vector<double> heard, silenced;
  Playback playback(out, window);
  for (int retune = 0; retune < kRetunes; ++retune) {
    MonitorRecorder recorder("sondrel_first", "/tmp/sondrel-figures-retune.raw", rate);
    window.panel.fInit = "1000";
    window.panel.fFinal = "1100";
    playback.StartTone();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    window.panel.fInit = "3000";
    window.panel.fFinal = "3300";
    const std::vector<int16_t> after = SynthesizedSamples(window.panel);
    const size_t edit = recorder.FramesSoFar();
    playback.StopTone();  // a retune: stopped and started with the new values
    playback.StartTone();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    playback.StopTone();
    const std::vector<int16_t> recording = recorder.Samples();
    // The new sweep, and the old sweep's last sound before it.
    const size_t start = SignalStartIn(recording, after, 2);
    if (start == std::string::npos) continue;  // not recorded
    size_t lastOld = start;
    while (lastOld > 0 && recording[(lastOld - 1) * 2] == 0) --lastOld;
    if (start >= edit) heard.push_back(1000.0 * static_cast<double>(start - edit) / rate);
    silenced.push_back(1000.0 * (static_cast<double>(lastOld) - static_cast<double>(edit)) / rate);
  }
  std::printf("a looping sweep retuned (%d times): the new sweep heard after the edit: %s\n", kRetunes,
              Range(heard).c_str());
  std::printf("  the old sweep's last sound after the edit: %s\n", Range(silenced).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  SoundOutput out;
  if (!out.StartError().empty()) {
    std::fprintf(stderr, "%s\n", out.StartError().c_str());
    return 1;
  }
  const int32_t first = DeviceNamed(out, "Sondrel-Test-First");
  if (first < 0 || DeviceNamed(out, "Sondrel-Test-Second") < 0) {
    std::fprintf(stderr, "needs the null sinks Sondrel-Test-First and Sondrel-Test-Second\n");
    return 1;
  }
  const int rate = out.GetDeviceRate(first);
  PulseWaveOut* pulse = out.ServerPath();
  SweepBesidePaplay(out, pulse, first, rate, seconds);
  ScriptGaps(rate);
  RetuneLatency(out, first, rate);
  return 0;
}
