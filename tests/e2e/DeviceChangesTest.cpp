// The device list and the tone follow the sound server as devices come and
// go: null sinks loaded and unloaded with pactl on the private server the
// test command starts, and a second server of the test's own that starts
// late and stops early.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>

#include "engine/AppError.h"
#include "panel/Generator.h"
#include "platform/SoundOutput.h"
#include "tests/panel/FakeDialogs.h"

namespace sondrel {
namespace {

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(10000);
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A null sink that lives as long as the object, unless unloaded earlier.
class PluggedSink {
 public:
  explicit PluggedSink(const QString& name)
      : module_(RunTool("pactl", {"load-module", "module-null-sink", "sink_name=" + name,
                              "sink_properties=device.description=" + name})) {}
  ~PluggedSink() { Unplug(); }
  void Unplug() {
    if (!module_.isEmpty()) RunTool("pactl", {"unload-module", module_});
    module_.clear();
  }
  bool Loaded() const { return !module_.isEmpty(); }

 private:
  QString module_;
};

// Turns the message loop until the condition holds; false after 5 s.
template <typename Condition>
bool ProcessUntil(Condition condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 5000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

class DeviceChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs the test command's PulseAudio server";
  }
  QStringList Shown() const {
    QStringList names;
    for (int index = 0; index < generator.WaveDevice->count(); ++index) names << generator.WaveDevice->itemText(index);
    return names;
  }
  void Select(const QString& name) {
    generator.WaveDevice->setCurrentIndex(generator.WaveDevice->findText(name));
    ASSERT_EQ(generator.WaveDevice->currentText(), name);
  }

  FakeDialogs dialogs;
  SoundOutput waveOut;
  TGenerator generator{waveOut};
};

TEST_F(DeviceChangesTest, APluggedDeviceAppearsAndGoesWhileTheSelectionKeepsItsDevice) {
  EXPECT_EQ(Shown().first(), "Default output (Sondrel-Test-First)");
  Select("Sondrel-Test-Second");
  PluggedSink headset("Sondrel-Test-Headset");
  ASSERT_TRUE(headset.Loaded());
  ASSERT_TRUE(ProcessUntil([&] { return Shown().contains("Sondrel-Test-Headset"); })) << Shown().join(", ").toStdString();
  EXPECT_EQ(generator.WaveDevice->currentText(), "Sondrel-Test-Second");

  Select("Sondrel-Test-Headset");
  headset.Unplug();
  ASSERT_TRUE(ProcessUntil([&] { return !Shown().contains("Sondrel-Test-Headset"); }));
  EXPECT_EQ(generator.WaveDevice->currentIndex(), 0);  // back to the default output
}

TEST_F(DeviceChangesTest, ADeviceLostWhileALoopingTonePlaysEndsItWithAReport) {
  PluggedSink headset("Sondrel-Test-Headset");
  ASSERT_TRUE(ProcessUntil([&] { return Shown().contains("Sondrel-Test-Headset"); }));
  Select("Sondrel-Test-Headset");
  generator.OnButtonClick();  // Loop is checked: the tone plays until stopped
  ASSERT_EQ(generator.OnButton->text(), "OFF");
  headset.Unplug();
  ASSERT_TRUE(ProcessUntil([&] { return !generator.Engine().Playing; }));
  EXPECT_EQ(dialogs.ErrorTexts(),
            QStringList{"The sound device \"Sondrel-Test-Headset\" was lost: it was unplugged or removed."});
  EXPECT_EQ(generator.OnButton->text(), "ON");
  EXPECT_TRUE(generator.WaveDevice->isEnabled());
}

TEST_F(DeviceChangesTest, ADeviceLostDuringAOneShotToneEndsItsWait) {
  PluggedSink headset("Sondrel-Test-Headset");
  ASSERT_TRUE(ProcessUntil([&] { return Shown().contains("Sondrel-Test-Headset"); }));
  Select("Sondrel-Test-Headset");
  generator.Loop->setChecked(false);
  generator.Duration->setText("30");
  QTimer::singleShot(700, [&] { headset.Unplug(); });
  generator.OnOff1->trigger();  // waits for the end, which the loss brings
  EXPECT_EQ(dialogs.ErrorTexts(),
            QStringList{"The sound device \"Sondrel-Test-Headset\" was lost: it was unplugged or removed."});
  EXPECT_FALSE(generator.Engine().Playing);
  EXPECT_EQ(generator.OnButton->text(), "ON");
}

// A server of the test's own: absent when Sondrel starts, started later,
// then stopped while a tone plays.
class LateServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PULSE_SERVER") == nullptr) GTEST_SKIP() << "needs PulseAudio (the test command's server)";
    savedServer_ = std::getenv("PULSE_SERVER");
    savedDriver_ = std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "";
    address_ = "unix:" + folder_.filePath("runtime/native");
    setenv("PULSE_SERVER", address_.toUtf8().constData(), 1);
    // Only the sound server counts here, not a fallback to bare ALSA.
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  }
  void TearDown() override {
    StopServer();
    if (!savedServer_.isEmpty()) setenv("PULSE_SERVER", savedServer_.toUtf8().constData(), 1);
    if (savedDriver_.isEmpty()) unsetenv("SDL_AUDIODRIVER");
    else setenv("SDL_AUDIODRIVER", savedDriver_.toUtf8().constData(), 1);
  }
  bool StartServer(const QString& option = {}) {
    QStringList arguments{"start", folder_.path()};
    if (!option.isEmpty()) arguments << option;
    return RunTool(SONDREL_SOURCE_DIR "/scripts/pulse-server.sh", arguments) == address_;
  }
  void StopServer() { RunTool(SONDREL_SOURCE_DIR "/scripts/pulse-server.sh", {"stop", folder_.path()}); }

  QTemporaryDir folder_{"/tmp/sondrel-late-XXXXXX"};
  QString address_, savedServer_, savedDriver_;
};

TEST_F(LateServerTest, EveryOnTriesAgainUntilTheServerIsThere) {
  FakeDialogs dialogs;
  SoundOutput waveOut;
  TGenerator generator(waveOut);
  generator.OnButton->click();
  ASSERT_EQ(dialogs.ErrorTexts().size(), 1);
  EXPECT_TRUE(dialogs.ErrorTexts()[0].startsWith("The sound system could not be started")) << dialogs.ErrorTexts()[0].toStdString();
  EXPECT_EQ(generator.OnButton->text(), "ON");

  ASSERT_TRUE(StartServer());
  generator.OnButton->click();
  EXPECT_EQ(dialogs.ErrorTexts().size(), 1);  // no new error
  EXPECT_TRUE(generator.Engine().Playing);
  generator.OnButton->click();  // off: the list now shows the new server's sinks
  ASSERT_TRUE(ProcessUntil([&] { return generator.WaveDevice->count() == 1 + 2; })) << generator.WaveDevice->count();
  generator.OnButton->click();
  ASSERT_TRUE(generator.Engine().Playing);

  StopServer();  // the server goes away under the tone
  ASSERT_TRUE(ProcessUntil([&] { return !generator.Engine().Playing; }));
  ASSERT_EQ(dialogs.ErrorTexts().size(), 2);
  EXPECT_TRUE(dialogs.ErrorTexts()[1].startsWith("The sound device \"Default output\" was lost"))
      << dialogs.ErrorTexts()[1].toStdString();
  EXPECT_EQ(generator.OnButton->text(), "ON");
}

// SDL 2.26 crashed at start on a server without a sink. The window starts,
// ON says why there is no sound, the terminal's list says so too, and a sink
// that comes later plays.
TEST_F(LateServerTest, AServerWithoutSinksCrashesNothing) {
  ASSERT_TRUE(StartServer("--no-sinks"));
  QProcess list;
  list.start(SONDREL_EXECUTABLE, {"--list-devices"});
  ASSERT_TRUE(list.waitForFinished(20000));
  EXPECT_EQ(list.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(list.exitCode(), 1);
  EXPECT_EQ(QString(list.readAllStandardError()), QString("sondrel: ") + kNoOutputDevice + "\n");

  FakeDialogs dialogs;
  SoundOutput waveOut;
  TGenerator generator(waveOut);
  generator.OnButton->click();
  ASSERT_EQ(dialogs.ErrorTexts().size(), 1);
  EXPECT_EQ(dialogs.ErrorTexts()[0], QString(kNoOutputDevice) + ".");
  EXPECT_FALSE(generator.Engine().Playing);

  ASSERT_EQ(RunTool("pactl", {"load-module", "module-null-sink", "sink_name=late"}).isEmpty(), false);
  generator.OnButton->click();
  EXPECT_EQ(dialogs.ErrorTexts().size(), 1);
  EXPECT_TRUE(generator.Engine().Playing);
  generator.OnButton->click();
}

}  // namespace
}  // namespace sondrel
