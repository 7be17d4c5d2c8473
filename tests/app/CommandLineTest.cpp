// The command-line file: joining the parameters, and the built program run
// on a script or preset file.
#include <sys/stat.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QThread>
#include <csignal>

#include "app/CommandLine.h"
#include "app/TerminationSignals.h"
#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "presets/PresetFile.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptPopup.h"
#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

TEST(CommandLinePathTest, JoinsTheParametersWithSingleSpaces) {
  EXPECT_EQ(CommandLinePath({}), "");
  EXPECT_EQ(CommandLinePath({"/tmp/My Tones/a.kvs"}), "/tmp/My Tones/a.kvs");
  EXPECT_EQ(CommandLinePath({"/tmp/My", "Tones/a.kvs"}), "/tmp/My Tones/a.kvs");
  EXPECT_EQ(CommandLinePath({"/tmp/two", "spaces.kvs"}), "/tmp/two spaces.kvs");
  EXPECT_EQ(CommandLinePath({"/tmp/caf\xe9", "-reverse", "x.kvs"}), "/tmp/caf\xe9 -reverse x.kvs");
}

class CommandLineFileTest : public PanelFixture {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }
  QTemporaryDir folder;
};

TEST_F(CommandLineFileTest, PresetFileFillsTheMemories) {
  MemoryBank memories;
  memories[2].Name = "From the command line";
  const std::vector<uint8_t> bytes = FormatPresets(memories);
  const QString path = Write("set.kvp", QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  EXPECT_FALSE(HandleCommandLineFile(*generator, path.toStdString()));  // the program goes on
  EXPECT_EQ(generator->Memories, memories);
  EXPECT_EQ(generator->MemoryButton(2)->text(), "From the command line");
}

TEST_F(CommandLineFileTest, OtherNamesAndMissingFilesAreIgnored) {
  const QString upper = Write("SET.KVP", "garbage\r\n");
  const QString other = Write("notes.txt", "tone 1000 1 0 0\r\n");
  const MemoryBank before = generator->Memories;
  for (const QString& path : {upper, other, folder.filePath("missing.kvp"), folder.filePath("missing.kvs"), QString()}) {
    EXPECT_FALSE(HandleCommandLineFile(*generator, path.toStdString())) << path.toStdString();
  }
  EXPECT_EQ(generator->Memories, before);
  EXPECT_TRUE(waveOut.calls.empty());
}

TEST_F(CommandLineFileTest, ScriptPlaysAndAsksToEnd) {
  auto* popup = new TScriptPopup(*generator);
  ScriptInterpreter interpreter(*generator, *popup);
  waveOut.finishAtOnce = true;
  // Any name ending in the three letters counts; no dot is needed.
  const QString path = Write("calibrationkvs", "tone 1000 1 0 0\r\nend\r\n");
  EXPECT_TRUE(HandleCommandLineFile(*generator, path.toStdString()));
  EXPECT_EQ(waveOut.Operations().size(), 6u);
  EXPECT_FALSE(generator->isVisible());  // the run needs only the script window
}

// A FIFO named like our files would hang the start waiting for a writer.
TEST_F(CommandLineFileTest, AFifoNamedLikeOurFilesIsRefused) {
  for (const char* name : {"pipe.kvs", "pipe.kvp"}) {
    const std::string path = folder.filePath(name).toStdString();
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    try {
      HandleCommandLineFile(*generator, path);
      ADD_FAILURE() << "no error for " << name;
    } catch (const AppError& error) {
      EXPECT_STREQ(error.what(), "Not a regular file");
    }
  }
  EXPECT_TRUE(waveOut.calls.empty());
}

TEST_F(CommandLineFileTest, BrokenPresetFileRaises) {
  const QString path = Write("broken.kvp", "a\r\nb\r\nc\r\nd\r\ne\r\nwave\r\n");
  EXPECT_THROW(HandleCommandLineFile(*generator, path.toStdString()), AppError);
}

// The signal arrives while a looping tone plays: the tone stops, the device
// closes and the window goes, as with File > Exit.
TEST_F(CommandLineFileTest, ASignalStopsALoopingToneAndClosesTheWindow) {
  TerminationSignals termination;
  termination.onSignal = [this](int) { generator->Exit1Click(); };
  ShowAndActivate();
  StartLoopingTone();
  ASSERT_TRUE(waveOut.IsOpen());
  std::raise(SIGTERM);
  for (int wait = 0; wait < 100 && termination.Received() == 0; ++wait) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_EQ(termination.Received(), SIGTERM);
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(waveOut.IsOpen());
  EXPECT_FALSE(generator->isVisible());
}

// The built program, headless: Qt's offscreen platform, SDL's disk driver
// recording the sound, message boxes written to standard error.
class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() : audio(home.filePath("audio.raw")) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("SONDREL_NONINTERACTIVE", "1");
    environment.insert("SDL_AUDIODRIVER", "disk");
    environment.insert("SDL_DISKAUDIOFILE", audio);
    environment.insert("SDL_DISKAUDIODELAY", "0");
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("XDG_DATA_DIRS", home.filePath("system"));
    process.setProcessEnvironment(environment);
  }

  QString Write(const QString& name, const QByteArray& bytes) {
    QFile file(home.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  // Runs the program; false when it did not end by itself within the bound.
  bool RunToEnd(const QStringList& arguments) {
    process.start(SONDREL_EXECUTABLE, arguments);
    if (process.waitForFinished(60000)) return true;
    process.kill();
    process.waitForFinished();
    return false;
  }

  QTemporaryDir home;
  QString audio;
  QProcess process;
};

TEST_F(ProgramTest, PlaysAScriptNamedInTwoPartsAndEndsByItself) {
  QDir(home.path()).mkdir("My Tones");
  const QString script = Write("My Tones/check.kvs", "rem one tone\r\ntone 1000 0.05 -6 0\r\nend\r\n");
  ASSERT_TRUE(RunToEnd({home.filePath("My"), "Tones/check.kvs"}));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

  PanelState state;
  state.Amplitude = "-6";
  PcmBuffer buffer;
  SynthesizeSignal(state, {}, buffer);
  QByteArray tone;
  for (int loop = 0; loop < 5; ++loop) tone.append(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
  QFile recorded(audio);
  ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
  EXPECT_TRUE(recorded.readAll().contains(tone));
}

TEST_F(ProgramTest, ConversionErrorInAScriptEndsWithStatusOne) {
  const QString script = Write("bad.kvs", "tone 1000 0.05 -6 sine\r\nend\r\n");
  ASSERT_TRUE(RunToEnd({script}));
  EXPECT_EQ(process.exitCode(), 1);
  const QString errors = process.readAllStandardError();
  EXPECT_TRUE(errors.contains("Application Error: ")) << errors.toStdString();
  EXPECT_TRUE(errors.contains("'sine' is not a valid integer value.")) << errors.toStdString();
}

TEST_F(ProgramTest, RegistersTheFileTypesAndCompletesAMissingPart) {
  const QString script = Write("quiet.kvs", "end\r\n");
  const QString packages = home.filePath("data/mime/packages/");
  ASSERT_TRUE(RunToEnd({script}));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(packages + "x-sondrel-script.xml"));
  EXPECT_TRUE(QFile::exists(home.filePath("data/applications/org.kelvo.Sondrel.desktop")));
  EXPECT_TRUE(QFile::exists(home.filePath("data/mime/mime.cache")));  // the database was refreshed

  QFile::remove(packages + "x-sondrel-preset.xml");
  QFile::remove(home.filePath("data/applications/org.kelvo.Sondrel.desktop"));
  ASSERT_TRUE(RunToEnd({script}));  // only the missing parts are written again
  EXPECT_TRUE(QFile::exists(packages + "x-sondrel-preset.xml"));
  EXPECT_TRUE(QFile::exists(home.filePath("data/applications/org.kelvo.Sondrel.desktop")));
}

TEST_F(ProgramTest, MissingScriptFileStartsTheProgramAsUsual) {
  process.start(SONDREL_EXECUTABLE, {home.filePath("missing.kvs")});
  ASSERT_TRUE(process.waitForStarted());
  EXPECT_FALSE(process.waitForFinished(1500));  // still running: the window is up
  process.kill();
  process.waitForFinished();
}

struct SignalCase {
  const char* name;
  int signalNumber;
  const char* script;  // nullptr: the program idles with its window
};

class SignalTest : public ProgramTest, public ::testing::WithParamInterface<SignalCase> {
 protected:
  // Waits until the file exists and holds something; false after 20 s.
  static bool WaitForFile(const QString& path) {
    for (int wait = 0; wait < 200; ++wait) {
      if (QFileInfo(path).size() > 0) return true;
      QThread::msleep(100);
    }
    return false;
  }
};

// kill, Ctrl+C and a closed terminal end the program as File > Exit does,
// whatever it is doing; before this it went on until the tone or delay ended.
TEST_P(SignalTest, EndsTheProgramLikeExit) {
  QProcessEnvironment environment = process.processEnvironment();
  environment.remove("SDL_DISKAUDIODELAY");  // the disk driver plays in real time
  process.setProcessEnvironment(environment);
  QStringList arguments;
  if (GetParam().script != nullptr) arguments << Write("long.kvs", GetParam().script);
  process.start(SONDREL_EXECUTABLE, arguments);
  ASSERT_TRUE(process.waitForStarted());
  // The file types are registered once the handlers are in place; a tone is
  // on once its first samples have been recorded.
  ASSERT_TRUE(WaitForFile(home.filePath("data/applications/org.kelvo.Sondrel.desktop")));
  if (QByteArray(GetParam().name).startsWith("ToneWait")) {
    ASSERT_TRUE(WaitForFile(audio));
  }
  QThread::msleep(200);

  kill(static_cast<pid_t>(process.processId()), GetParam().signalNumber);
  const bool ended = process.waitForFinished(10000);  // the tone or delay alone would take 30 s
  if (!ended) process.kill();
  ASSERT_TRUE(ended);
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 128 + GetParam().signalNumber);
  EXPECT_LT(QFileInfo(audio).size(), 10 * 88200) << "the tone went on playing";
}

INSTANTIATE_TEST_SUITE_P(
    States, SignalTest,
    ::testing::Values(SignalCase{"Idle", SIGTERM, nullptr}, SignalCase{"ToneWait", SIGTERM, "tone 1000 30 -6 0\r\nend\r\n"},
                      SignalCase{"ToneWaitInterrupt", SIGINT, "tone 1000 30 -6 0\r\nend\r\n"},
                      SignalCase{"ScriptDelay", SIGHUP, "delay 30\r\nend\r\n"},
                      SignalCase{"IdleRepeats", SIGINT, "rem\r\nrepeat\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

// With too little memory for Qt's thread pool, the start once hung in the
// window icon's image conversion, deaf to SIGTERM. It must reach its window
// and end on the signal.
TEST_F(ProgramTest, AStartWithTooLittleMemoryEndsOnASignal) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
  process.start("/bin/sh", {"-c", QString("ulimit -v 100000; exec '%1'").arg(SONDREL_EXECUTABLE)});
  ASSERT_TRUE(process.waitForStarted());
  for (int wait = 0; wait < 200 && !QFileInfo::exists(home.filePath("data/applications/org.kelvo.Sondrel.desktop")); ++wait) {
    QThread::msleep(100);
  }
  ASSERT_TRUE(QFileInfo::exists(home.filePath("data/applications/org.kelvo.Sondrel.desktop")));
  QThread::msleep(300);
  kill(static_cast<pid_t>(process.processId()), SIGTERM);
  const bool ended = process.waitForFinished(5000);
  if (!ended) process.kill();
  ASSERT_TRUE(ended);
  EXPECT_EQ(process.exitCode(), 128 + SIGTERM);
}

// A message box waits for OK; a signal closes it and ends the program as
// File > Exit does, before the window's own message loop has ever run.
class SignalInABoxTest : public SignalTest {};

TEST_P(SignalInABoxTest, EndsTheProgramWithinASecond) {
  QProcessEnvironment environment = process.processEnvironment();
  environment.remove("SONDREL_NONINTERACTIVE");  // the box waits for a user
  process.setProcessEnvironment(environment);
  process.start(SONDREL_EXECUTABLE, {Write(GetParam().name + QString(".kvs"), GetParam().script)});
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(WaitForFile(home.filePath("data/applications/org.kelvo.Sondrel.desktop")));
  QThread::msleep(500);  // the box is up
  ASSERT_EQ(process.state(), QProcess::Running);
  kill(static_cast<pid_t>(process.processId()), GetParam().signalNumber);
  const bool ended = process.waitForFinished(5000);
  if (!ended) process.kill();
  ASSERT_TRUE(ended);
  EXPECT_EQ(process.exitCode(), 128 + GetParam().signalNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, SignalInABoxTest,
    ::testing::Values(SignalCase{"Pause", SIGTERM, "pause\r\nend\r\n"},
                      SignalCase{"InvalidCommand", SIGINT, "bogus\r\n"},
                      SignalCase{"ConversionError", SIGHUP, "tone 1k 1 0 0\r\nend\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
