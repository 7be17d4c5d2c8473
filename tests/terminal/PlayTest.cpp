// sondrel --play: a script played with no window, through SDL's disk driver
// and on the private sound servers, with messages on standard error and the
// exit statuses of a script run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/PcmBuffer.h"
#include "engine/Synthesis.h"
#include "tests/terminal/TerminalTest.h"

namespace sondrel {
namespace {

class PlayTest : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    environment = "LC_ALL=C SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=played.raw SDL_DISKAUDIODELAY=0";
  }
  // The rate the sound server gives for the device now, as --list-devices
  // prints it; 0 when it does not say.
  int DeviceRate(const std::string& device) {
    std::istringstream devices(Sondrel("--list-devices", "", true).out);
    for (std::string number, name, rate; std::getline(devices, number, '\t') && std::getline(devices, name, '\t') &&
                                         std::getline(devices, rate, '\t');) {
      if (number == device) return rate == "-" ? 0 : std::stoi(rate);
      devices.ignore(1 << 10, '\n');
    }
    return 0;
  }
  // What --play says before a 44100 Hz signal plays on the device.
  std::string ResamplingNoteFor(const std::string& device) {
    const int rate = DeviceRate(device);
    return rate == 0 || rate == 44100
               ? ""
               : "sondrel: 44100 Hz, resampled by the sound server to " + std::to_string(rate) + " Hz\n";
  }
};

std::string BufferOf(const PanelState& state, const ChannelGains& gains = {}) {
  PcmBuffer buffer;
  SynthesizeSignal(state, gains, buffer);
  return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

TEST_F(PlayTest, PlaysEachSignalAsTheWindowWould) {
  Script("rem a triangle on the left\r\ntone 1000 0.3 -6 2 L\r\nend\r\n");
  const Result result = Sondrel("--play test.kvs");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  PanelState tone;
  tone.fEdit = "1000";
  tone.Amplitude = "-6";
  tone.WaveForm = kTriangular;
  const std::string played = Read(folder / "played.raw");
  EXPECT_NE(played.find(BufferOf(tone, {1, 0, 1})), std::string::npos) << played.size() << " bytes played";
}

TEST_F(PlayTest, AScriptFromStandardInputPlaysToo) {
  const Result result = Sondrel("--play -", "tone 1000 0.1 -6 0\r\nend\r\n");
  EXPECT_EQ(result.status, 0) << result.err;
  PanelState tone;
  tone.fEdit = "1000";
  tone.Amplitude = "-6";
  EXPECT_NE(Read(folder / "played.raw").find(BufferOf(tone)), std::string::npos);
}

struct PlayCase {
  const char* name;
  const char* script;
  const char* arguments;
  int status;
  const char* err;
};
void PrintTo(const PlayCase& c, std::ostream* out) { *out << c.name; }

class PlayOutcomeTest : public PlayTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(PlayOutcomeTest, SaysWhatHappenedOnStandardError) {
  Script(GetParam().script);
  const Result result = Sondrel(GetParam().arguments);
  EXPECT_EQ(result.status, GetParam().status);
  EXPECT_EQ(result.err, GetParam().err);
  EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, PlayOutcomeTest,
    ::testing::Values(
        PlayCase{"PauseWithoutATerminal", "pause\r\nend\r\n", "--play test.kvs", 0,
                 "sondrel: Pause in script. Press OK to continue\n"
                 "sondrel: the pause is skipped: standard input is no terminal to press Enter on\n"},
        PlayCase{"InvalidCommand", "delay 0.05\r\nbogus\r\n", "--play test.kvs", 1,
                 "sondrel: test.kvs: line 2: 'bogus' is not a command\n"},
        PlayCase{"BadNumber", "tone 1k 0.05 -6 0\r\nend\r\n", "--play test.kvs", 1,
                 "sondrel: test.kvs: line 1: '1k' is not a valid floating point value\n"},
        PlayCase{"MissingScript", "", "--play missing.kvs", 1, "sondrel: missing.kvs: File not found\n"},
        PlayCase{"UnknownDevice", "end\r\n", "--play test.kvs --device 'No such speaker'", 1,
                 "sondrel: no sound output device 'No such speaker': see sondrel --list-devices\n"},
        PlayCase{"DeviceZeroIsTheDefault", "end\r\n", "--play --device 0 test.kvs", 0, ""}),
    [](const auto& test) { return std::string(test.param.name); });

// A line that will not sound as written is noted before it plays, and
// plays as always.
TEST_F(PlayTest, ALineAboveHalfTheRateIsNoted) {
  Script("tone 30000 0.05 -6 0\r\nend\r\n");
  environment = "LC_ALL=C SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=played.raw SDL_DISKAUDIODELAY=0";
  const Result result = Sondrel("--play test.kvs");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err.rfind("sondrel: test.kvs: line 1: 30000 Hz is above half the rate (22050 Hz): it sounds as "
                             "14100 Hz\n", 0),
            0u)
      << result.err;
}

// Ctrl+C ends the sound at once and the program with 128 + SIGINT.
TEST_F(PlayTest, AnInterruptStopsTheSound) {
  Script("tone 1000 600 -6 0\r\nend\r\n");
  environment = "LC_ALL=C SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=played.raw";  // in real time
  // exec: the process started in the background is the program itself.
  std::string play = Command("--play test.kvs");
  play.replace(play.find("&& env"), 6, "&& exec env");
  const std::string command = "bash -c \"(" + play +
                              ") 2>/dev/null & pid=\\$!; for i in \\$(seq 1 1200); do [ -s '" +
                              (folder / "played.raw").string() +
                              "' ] && break; sleep 0.05; done; kill -INT \\$pid; wait \\$pid; echo \\$? > '" +
                              (folder / "status").string() + "'\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(Read(folder / "status"), "130\n");
  EXPECT_GT(fs::file_size(folder / "played.raw"), 0u);
}

// On a sound server too: once the stream plays, Ctrl+C ends the program
// with 130 and leaves no stream of Sondrel's behind on the server.
TEST_F(PlayTest, AnInterruptOnTheSoundServerEndsItsStream) {
  if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
  Script("tone 1000 600 -6 0\r\nend\r\n");
  environment = "LC_ALL=C";
  std::string play = Command("--play test.kvs", true);
  play.replace(play.find("&& env"), 6, "&& exec env");
  const std::string streams = "pactl list short sink-inputs | wc -l ";
  const std::string command = "bash -c \"(" + play + ") 2>/dev/null & pid=\\$!; for i in \\$(seq 1 200); do [ \\$(" +
                              streams + ") -gt 0 ] && break; sleep 0.05; done; kill -INT \\$pid; wait \\$pid; echo \\$? > '" +
                              (folder / "status").string() + "'; " + streams + "> '" + (folder / "left").string() + "'\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(Read(folder / "status"), "130\n");
  EXPECT_EQ(Read(folder / "left"), "0\n");
}

// On a real sound server, by the name --list-devices prints.
TEST_F(PlayTest, PlaysOnTheDeviceNamed) {
  if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
  environment = "LC_ALL=C";
  Script("tone 1000 0.2 -6 0\r\ndelay 0.1\r\nnoise pink 0.2 -12\r\nend\r\n");
  const std::string note = ResamplingNoteFor("2");  // PipeWire's graph runs at 48000 Hz
  const Result named = Sondrel("--play test.kvs --device Sondrel-Test-Second", "", true);
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(named.err, note);
  const Result numbered = Sondrel("--play test.kvs --device 1", "", true);
  EXPECT_EQ(numbered.status, 0) << numbered.err;
}

// A signal at another rate than the device's is resampled by the server:
// --play says so before it plays, as the window's status line does, and
// says nothing when the rates agree. The server may move an idle sink to a
// stream's rate (PulseAudio between 44100 and 48000, for the tests after this
// one too), so each case asks it for the sink's rate first, and the signal
// is at 88200 Hz, which keeps a sink at 44100 Hz where it is.
TEST_F(PlayTest, ResamplingByTheServerIsReported) {
  if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's sound server";
  environment = "LC_ALL=C";
  Script("tone 1000 0.1 -6 0\r\nend\r\n");
  fs::create_directories(folder / "config" / "sondrel");
  auto storeRate = [this](int rate) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", rate);
    std::ofstream(folder / "config" / "sondrel" / "settings") << "[Software\\Kelvo]\nSampleRate=dword:" << hex << "\n";
  };
  const int sink = DeviceRate("2");
  ASSERT_TRUE(sink == 44100 || sink == 48000) << sink;
  const int other = 88200;
  storeRate(other);
  const Result resampled = Sondrel("--play test.kvs --device 2", "", true);
  EXPECT_EQ(resampled.status, 0) << resampled.err;
  EXPECT_EQ(resampled.err, "sondrel: " + std::to_string(other) + " Hz, resampled by the sound server to " +
                               std::to_string(sink) + " Hz\n");
  storeRate(DeviceRate("2"));
  EXPECT_EQ(Sondrel("--play test.kvs --device 2", "", true).err, "");
}

}  // namespace
}  // namespace sondrel
