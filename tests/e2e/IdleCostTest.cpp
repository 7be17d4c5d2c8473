// A looping tone is repeated by the audio device alone: the GUI thread does
// no work while it plays.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

#include "panel/Generator.h"
#include "platform/SoundOutput.h"
#include "tests/panel/FakeDialogs.h"

namespace sondrel {
namespace {

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(IdleCostTest, LoopingToneCostsTheGuiThreadUnderOnePercent) {
  // SDL's disk driver plays in real time into nowhere.
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  unsetenv("SDL_DISKAUDIODELAY");
  FakeDialogs dialogs;
  SoundOutput waveOut;
  TGenerator generator(waveOut);
  generator.show();
  generator.OnButtonClick();
  ASSERT_TRUE(generator.Engine().Playing);

  // Three seconds of the message loop, as it turns for a user.
  QEventLoop loop;
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  const double before = ThreadCpuSeconds();
  loop.exec();
  const double used = ThreadCpuSeconds() - before;
  RecordProperty("gui_thread_cpu_ms", std::to_string(used * 1000));
  EXPECT_LT(used, 0.03) << "the GUI thread worked " << used * 1000 << " ms in 3 s";
  EXPECT_TRUE(generator.Engine().Playing);
  generator.OnButtonClick();
  EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace sondrel
