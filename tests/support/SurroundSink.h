#pragma once
// A null sink of a speaker layout's channels with an explicit channel map
// on the test command's sound server, named "Sondrel-Test-<word>", for as
// long as the object lives.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "engine/SpeakerLayout.h"
#include "tests/support/MonitorRecording.h"

namespace sondrel::testing_support {

// The server's names of the layout's positions, for the sink and the recorder.
inline std::string ServerMap(const SpeakerLayout& layout) {
  const char* names[] = {"front-left", "front-right", "front-center", "lfe",
                         "rear-left",  "rear-right",  "side-left",    "side-right"};
  std::string map;
  for (Speaker speaker : layout.speakers) map += (map.empty() ? "" : ",") + std::string(names[static_cast<int>(speaker)]);
  return map;
}

// A command's standard output.
inline std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) text += line;
    pclose(pipe);
  }
  return text;
}

class SurroundSink {
 public:
  SurroundSink(const SpeakerLayout& layout, int rate) : layout_(layout) {
    name = std::string("sondrel_") + layout.word;
    for (char& c : name) c = c == '.' ? '_' : c;
    description = std::string("Sondrel-Test-") + layout.word;
    module_ = CommandOutput("pactl load-module module-null-sink sink_name=" + name + " rate=" + std::to_string(rate) +
                            " channels=" + std::to_string(layout.Channels()) + " channel_map=" + ServerMap(layout) +
                            " sink_properties=device.description=" + description);
    for (int look = 0; look < 50 && CommandOutput("pactl list short sinks").find(name) == std::string::npos; ++look) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ~SurroundSink() {
    if (!module_.empty()) RunToEnd({"pactl", "unload-module", module_.substr(0, module_.find('\n'))});
  }
  SurroundSink(const SurroundSink&) = delete;
  SurroundSink& operator=(const SurroundSink&) = delete;

  bool Made() const { return !module_.empty(); }

  std::string name;         // the server's sink name, for the monitor
  std::string description;  // the device name Sondrel lists

 private:
  const SpeakerLayout& layout_;
  std::string module_;
};

// The surround tests' rate: the sinks' and the signals', so that nothing is
// resampled between them.
inline constexpr int kSurroundRate = 48000;

// "layout_5p1": a layout's word as a test's name.
inline std::string LayoutTestName(const ::testing::TestParamInfo<SpeakerLayoutId>& info) {
  std::string name = LayoutOf(info.param).word;
  for (char& c : name) c = c == '.' ? 'p' : c;
  return "layout_" + name;
}

// A test of one layout, with its sink on the test command's sound server;
// skipped without a server.
class SurroundSinkTest : public ::testing::TestWithParam<SpeakerLayoutId> {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
    sink = std::make_unique<SurroundSink>(LayoutOf(GetParam()), kSurroundRate);
    ASSERT_TRUE(sink->Made()) << "the server made no sink of " << LayoutOf(GetParam()).name;
  }
  std::unique_ptr<SurroundSink> sink;
};

}  // namespace sondrel::testing_support
