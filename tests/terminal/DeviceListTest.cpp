// --list-devices: none without a sound system, and with the test command's
// sound server the devices numbered as the window lists them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/terminal/TerminalTest.h"

namespace sondrel {
namespace {

class DeviceListTest : public TerminalTest {};

TEST_F(DeviceListTest, NoSoundSystemMeansNoDeviceList) {
  // Without a sound server SDL may still fall back to bare ALSA; with a
  // driver that does not exist there is surely no sound system.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const Result result = Sondrel("--list-devices");
  unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("The sound system could not be started"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
}

TEST_F(DeviceListTest, TheDeviceListIsNumberedAsTheWindowsIs) {
  if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's PulseAudio server";
  const Result result = Sondrel("--list-devices", "", true);
  EXPECT_EQ(result.status, 0) << result.err;
  // The null sinks run at 44100 frames a second, in stereo.
  EXPECT_EQ(result.out,
            "0\tDefault output (Sondrel-Test-First)\t44100\t2\tFL,FR\n1\tSondrel-Test-First\t44100\t2\tFL,FR\n"
            "2\tSondrel-Test-Second\t44100\t2\tFL,FR\n");
}

}  // namespace
}  // namespace sondrel
