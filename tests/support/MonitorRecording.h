#pragma once
// What the sound-server tests and the playback figures share: child
// processes (parec recording a sink's monitor, paplay as the reference
// client, busy loops that saturate the cores), the synthesized samples, and
// the comparison of a recording with them, frame by frame.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/PcmBuffer.h"
#include "engine/Synthesis.h"

extern char** environ;

namespace sondrel::testing_support {

// Starts a program found on PATH; 0 when it could not be started.
inline pid_t Spawn(std::vector<std::string> words) {
  std::vector<char*> arguments;
  for (std::string& word : words) arguments.push_back(word.data());
  arguments.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, arguments[0], nullptr, nullptr, arguments.data(), environ) == 0 ? pid : 0;
}

// The exit status, or -1 when it did not exit normally.
inline int WaitFor(pid_t pid) {
  int status = 0;
  if (pid == 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int RunToEnd(std::vector<std::string> words) { return WaitFor(Spawn(std::move(words))); }

// Whether the server in PULSE_SERVER is PipeWire's pipewire-pulse.
inline bool OnPipeWire() {
  std::string text;
  if (FILE* info = popen("pactl info 2>/dev/null", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, info) != nullptr) text += line;
    pclose(info);
  }
  return text.find("PipeWire") != std::string::npos;
}

inline std::vector<int16_t> ReadSamples(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// The samples the engine synthesizes for a panel, both channels on.
inline std::vector<int16_t> SynthesizedSamples(const PanelState& state) {
  PcmBuffer buffer;
  SynthesizeSignal(state, {1, 1, 1}, buffer);
  std::vector<int16_t> samples(buffer.Size() / 2);
  std::memcpy(samples.data(), buffer.Data(), buffer.Size());
  return samples;
}

// `signal` with a second of its end before it and a second of its start
// after it: what the reference client plays, so that it sounds all the while
// the player's copy does, which starts and ends a little apart from it.
inline std::vector<int16_t> PaddedForReference(const std::vector<int16_t>& signal, int rate, size_t channels) {
  const size_t pad = std::min(signal.size(), static_cast<size_t>(rate) * channels);
  std::vector<int16_t> padded(signal.end() - static_cast<std::ptrdiff_t>(pad), signal.end());
  padded.insert(padded.end(), signal.begin(), signal.end());
  padded.insert(padded.end(), signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(pad));
  return padded;
}

// Records a sink's monitor with parec, signed 16-bit at the given rate, in
// the sink's own channel map when one is given (parec's default map for
// more than two channels is another order, which the server would remix).
class MonitorRecorder {
 public:
  MonitorRecorder(const std::string& sink, const std::string& file, int rate, int channels = 2,
                  const std::string& channelMap = {})
      : file_(file) {
    std::vector<std::string> words = {"parec", "--device=" + sink + ".monitor", "--format=s16le",
                                      "--rate=" + std::to_string(rate), "--channels=" + std::to_string(channels),
                                      "--raw", "--latency-msec=10", file};
    if (!channelMap.empty()) words.push_back("--channel-map=" + channelMap);
    pid_ = Spawn(words);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // connected and recording
    // PulseAudio's idle null sink renders up to two seconds ahead; restarted,
    // it follows the recorder's 10 ms, so the monitor hears sound as it is
    // played. PipeWire's follows the graph already, and there a sink
    // suspended while any client has a stream on it passes no new stream to
    // its monitor afterwards (paplay's as much as ours).
    if (!OnPipeWire()) {
      RunToEnd({"pactl", "suspend-sink", sink, "1"});
      RunToEnd({"pactl", "suspend-sink", sink, "0"});
    }
  }
  ~MonitorRecorder() { Stop(); }
  MonitorRecorder(const MonitorRecorder&) = delete;
  MonitorRecorder& operator=(const MonitorRecorder&) = delete;

  bool Started() const { return pid_ != 0; }
  // Frames recorded so far, by the file's size: a clock in the recording's
  // own time, late by the recorder's latency.
  size_t FramesSoFar(int channels = 2) const {
    std::ifstream in(file_, std::ios::binary | std::ios::ate);
    return in ? static_cast<size_t>(in.tellg()) / (2 * static_cast<size_t>(channels)) : 0;
  }
  void Stop() {
    if (pid_ == 0) return;
    kill(pid_, SIGINT);
    WaitFor(pid_);
    pid_ = 0;
  }
  // Interleaved samples, once recording has stopped.
  std::vector<int16_t> Samples() {
    Stop();
    return ReadSamples(file_);
  }

 private:
  std::string file_;
  pid_t pid_ = 0;
};

// Spinning processes, one per core, for as long as the object lives.
class BusyCores {
 public:
  explicit BusyCores(unsigned count) {
    for (unsigned core = 0; core < count; ++core) pids_.push_back(Spawn({"sh", "-c", "while :; do :; done"}));
  }
  ~BusyCores() {
    for (pid_t pid : pids_) {
      if (pid != 0) kill(pid, SIGKILL);
      WaitFor(pid);
    }
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;

 private:
  std::vector<pid_t> pids_;
};

// How a recording differs from the synthesized signal. A dropout is a run of
// silent frames where the signal has sound; after it the recording either
// goes on where it stopped (the frames came late: nothing missing) or later
// (frames missing).
struct PathComparison {
  bool found = false;         // the signal's start is in the recording
  size_t matched = 0;         // frames that arrived unchanged
  size_t dropouts = 0;
  size_t silentFrames = 0;    // inserted by the dropouts, all together
  size_t longestDropout = 0;  // frames
  size_t lostAtStart = 0;     // frames of the signal's start that the server never played
  size_t missingFrames = 0;   // of the signal after its first recorded frame, never recorded
  size_t changedFrames = 0;   // recorded with other samples
  size_t changedRuns = 0;     // stretches of those (a graph's glitched cycle, say)
  bool reachedEnd = false;    // the signal's last frame was recorded
  struct Glitch {
    size_t at = 0;      // the recorded frame where it begins
    size_t frames = 0;  // silent or changed frames in it
  };
  std::vector<Glitch> glitches;
  size_t firstRecorded = 0;        // the recorded frames compared: [firstRecorded, endRecorded)
  size_t endRecorded = 0;

  // Dropouts and changed stretches: what a listener hears as a glitch.
  size_t Glitches() const { return dropouts + changedRuns; }
  // Every frame from the first recorded one on arrived, in order, unchanged.
  bool Exact() const { return found && reachedEnd && dropouts == 0 && missingFrames == 0 && changedFrames == 0; }
  // What a failure message says of it.
  std::string Summary() const {
    if (!found) return "the signal is not in the recording";
    return std::to_string(dropouts) + " dropouts (" + std::to_string(silentFrames) + " frames, the longest " +
           std::to_string(longestDropout) + "), " + std::to_string(lostAtStart) + " frames lost at the start, " +
           std::to_string(missingFrames) + " missing, " + std::to_string(changedFrames) + " changed in " +
           std::to_string(changedRuns) + " runs" + (reachedEnd ? "" : ", the end not recorded");
  }
};

// Compares interleaved `recording` with interleaved `signal`, both of
// `channels` channels, from the recording's first sound to the signal's end.
// A stream that joins a running null sink loses up to the sink's latency of
// its first frames on PulseAudio, whatever the client (paplay too): those
// are counted apart.
inline PathComparison CompareWithSignal(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal,
                                        size_t channels) {
  constexpr size_t kAnchor = 64;  // frames that must agree to count as the same place
  const size_t signalFrames = signal.size() / channels;
  const size_t recordedFrames = recording.size() / channels;
  auto frameOf = [channels](const std::vector<int16_t>& samples, size_t frame) { return &samples[frame * channels]; };
  auto silent = [&](size_t frame) {
    const int16_t* at = frameOf(recording, frame);
    return std::all_of(at, at + channels, [](int16_t sample) { return sample == 0; });
  };
  auto sameRun = [&](size_t recorded, size_t synthesized, size_t frames) {
    if (recorded + frames > recordedFrames || synthesized + frames > signalFrames) return false;
    return std::memcmp(frameOf(recording, recorded), frameOf(signal, synthesized), frames * channels * 2) == 0;
  };
  size_t start = 0;
  while (start < signalFrames &&
         std::all_of(frameOf(signal, start), frameOf(signal, start) + channels, [](int16_t s) { return s == 0; })) {
    ++start;
  }
  PathComparison result;
  size_t recorded = 0;
  while (recorded < recordedFrames && silent(recorded)) ++recorded;
  // The recording's first sound, found in the signal.
  const size_t anchor = std::min(kAnchor, recordedFrames - recorded);
  size_t synthesized = start;
  while (synthesized < signalFrames && !sameRun(recorded, synthesized, anchor)) ++synthesized;
  bool changing = false;  // the frame before was changed
  if (anchor == 0 || synthesized == signalFrames) return result;
  result.found = true;
  result.lostAtStart = synthesized - start;
  result.firstRecorded = recorded;
  while (synthesized < signalFrames && recorded < recordedFrames) {
    if (sameRun(recorded, synthesized, 1)) {
      ++synthesized;
      ++recorded;
      ++result.matched;
      changing = false;
      continue;
    }
    if (!silent(recorded)) {
      if (!changing) {
        ++result.changedRuns;
        result.glitches.push_back({recorded, 0});
      }
      changing = true;
      ++result.changedFrames;
      ++result.glitches.back().frames;
      ++synthesized;
      ++recorded;
      continue;
    }
    changing = false;
    size_t resume = recorded;
    while (resume < recordedFrames && silent(resume)) ++resume;
    if (resume == recordedFrames) break;  // the recording ended in silence
    // Where the signal goes on after the silence: at once, or later.
    size_t skipped = 0;
    const size_t anchorHere = std::min(kAnchor, signalFrames - synthesized);
    while (synthesized + skipped < signalFrames && !sameRun(resume, synthesized + skipped, anchorHere)) ++skipped;
    if (synthesized + skipped == signalFrames) {
      result.changedFrames += signalFrames - synthesized;
      synthesized = signalFrames;
      break;
    }
    ++result.dropouts;
    result.glitches.push_back({recorded, resume - recorded});
    result.silentFrames += resume - recorded;
    result.longestDropout = std::max(result.longestDropout, resume - recorded);
    result.missingFrames += skipped;
    synthesized += skipped;
    recorded = resume;
  }
  result.reachedEnd = synthesized == signalFrames;
  result.endRecorded = recorded;
  result.missingFrames += signalFrames - synthesized;
  return result;
}

// The private PipeWire session's graph runs in cycles of 512 frames (its
// smallest; the recorders ask for 10 ms) and now and then misses one or two in a row,
// for one sink or one channel of it, whatever the client: paplay's streams
// are recorded with such holes too (scripts/surround-holes.sh counts both).
inline constexpr size_t kLongestGraphGlitch = 1024;

// Whether `heard` arrived as sent, to its last frame: on PulseAudio every
// frame from the first recorded one on, unchanged; on PipeWire but for the
// graph's missed cycles, each glitch (a hole of silence, or a stretch of a
// cycle recorded as other samples) at most kLongestGraphGlitch frames.
inline bool ArrivedButForGraphHoles(const PathComparison& heard, bool onPipeWire) {
  if (!(heard.found && heard.reachedEnd)) return false;
  if (!onPipeWire) return heard.Exact();
  return std::all_of(heard.glitches.begin(), heard.glitches.end(),
                     [](const PathComparison::Glitch& glitch) { return glitch.frames <= kLongestGraphGlitch; });
}

// How many frames recorder `a` is ahead of recorder `b`: both record at the
// server's pace, so this is the distance between the two recordings'
// clocks. The median of a few looks, best taken while the machine is quiet.
inline long long FramesAhead(const MonitorRecorder& a, const MonitorRecorder& b) {
  std::vector<long long> looks;
  for (int look = 0; look < 9; ++look) {
    looks.push_back(static_cast<long long>(a.FramesSoFar()) - static_cast<long long>(b.FramesSoFar()));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::nth_element(looks.begin(), looks.begin() + 4, looks.end());
  return looks[4];
}

// The glitches of `ours` at moments when the reference client, recorded
// from another sink of the same server, played clean: within `within` frames
// of the same moment it neither glitched nor had it stopped. `oursAhead` is
// FramesAhead(our recorder, the reference's recorder).
inline std::vector<PathComparison::Glitch> GlitchesWhereTheReferencePlayedClean(const PathComparison& ours,
                                                                                const PathComparison& reference,
                                                                                long long oursAhead, size_t within) {
  std::vector<PathComparison::Glitch> unshared;
  const long long margin = static_cast<long long>(within);
  for (const PathComparison::Glitch& glitch : ours.glitches) {
    const long long there = static_cast<long long>(glitch.at) - oursAhead;
    const bool referencePlaying = there >= static_cast<long long>(reference.firstRecorded) + margin &&
                                  there + margin < static_cast<long long>(reference.endRecorded);
    const bool referenceGlitched = std::any_of(
        reference.glitches.begin(), reference.glitches.end(),
        [&](const PathComparison::Glitch& theirs) { return std::llabs(static_cast<long long>(theirs.at) - there) <= margin; });
    if (!referencePlaying || !referenceGlitched) unshared.push_back(glitch);
  }
  return unshared;
}

// Where the first frame of interleaved `signal` stands in `recording`,
// found by 64 frames a little into the signal (PulseAudio's monitor may
// miss a stream's very start); npos when they are not in the recording.
inline size_t SignalStartIn(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal, size_t channels) {
  constexpr size_t kInto = 2048, kFrames = 64;
  const size_t recordedFrames = recording.size() / channels;
  if (signal.size() < (kInto + kFrames) * channels) return std::string::npos;
  for (size_t at = kInto; at + kFrames <= recordedFrames; ++at) {
    if (std::memcmp(&recording[at * channels], &signal[kInto * channels], kFrames * channels * 2) == 0) return at - kInto;
  }
  return std::string::npos;
}

// Runs of sound in one channel of an interleaved recording, as [first,
// last] frames: silence shorter than `minimumGap` frames inside a run
// (zero crossings, a dropout) does not split it.
inline std::vector<std::pair<size_t, size_t>> SoundRuns(const std::vector<int16_t>& recording, size_t channels,
                                                        size_t channel, size_t minimumGap, int16_t threshold = 200) {
  std::vector<std::pair<size_t, size_t>> runs;
  const size_t frames = recording.size() / channels;
  for (size_t frame = 0; frame < frames; ++frame) {
    const int16_t sample = recording[frame * channels + channel];
    if (sample <= threshold && sample >= -threshold) continue;
    if (!runs.empty() && frame - runs.back().second <= minimumGap) {
      runs.back().second = frame;
    } else {
      runs.emplace_back(frame, frame);
    }
  }
  return runs;
}

// The silences between the signals of a recording, in milliseconds: from the
// frame after one signal's last sound to the next signal's first frame. Each
// signal is `signal` (interleaved, as recorded) from its first frame on, so a
// start that PulseAudio's monitor missed is found by where the recorded part
// lies in it, and counted as played.
inline std::vector<double> SilencesBetween(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal,
                                           size_t channels, int rate) {
  constexpr size_t kAnchor = 32;
  const auto runs = SoundRuns(recording, channels, 0, static_cast<size_t>(rate / 50));
  const size_t frames = recording.size() / channels;
  std::vector<double> silences;
  for (size_t run = 1; run < runs.size(); ++run) {
    size_t first = runs[run].first;
    while (first > runs[run - 1].second + 1 && recording[(first - 1) * channels] != 0) --first;
    size_t lost = 0;
    const size_t signalFrames = signal.size() / channels;
    const size_t search = signalFrames > kAnchor ? std::min(signalFrames - kAnchor, static_cast<size_t>(rate / 10)) : 0;
    while (lost < search && first + kAnchor <= frames &&
           std::memcmp(&recording[first * channels], &signal[lost * channels], kAnchor * channels * 2) != 0) {
      ++lost;
    }
    if (lost >= search) lost = 0;  // another rate: the signal is not in the recording as it is
    const double start = static_cast<double>(first) - static_cast<double>(std::min(lost, first));
    silences.push_back(1000.0 * (start - static_cast<double>(runs[run - 1].second + 1)) / rate);
  }
  return silences;
}

}  // namespace sondrel::testing_support
