// Sondrel's window: sets up the application, creates its windows hidden in
// their fixed order, handles a file named on the command line, and runs the
// message loop until the main window closes. The front executable `sondrel`
// (terminal/) starts it with its own absolute path as argv[0].
#include <QApplication>
#include <QLocale>
#include <QTimer>

#include "app/AboutBox.h"
#include "app/CommandLine.h"
#include "app/SettingsForm.h"
#include "app/TerminationSignals.h"
#include "app/WindowIcon.h"
#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "panel/Application.h"
#include "panel/ByteText.h"
#include "panel/FreqPopup.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"
#include "platform/FileTypes.h"
#include "platform/SoundOutput.h"
#include "platform/SettingsStore.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptPopup.h"

int main(int argc, char** argv) {
  using namespace sondrel;
  // The parameters as the file system's bytes.
  const std::vector<std::string> parameters(argv + 1, argv + argc);
  // What the desktop entries start: the front, which starts this window.
  const std::string front = argv[0][0] == '/' ? argv[0] : std::string();
  // Qt sees none of the parameters: a path is never taken for one of its
  // options ("-reverse", "-style" ...).
  int qtArgumentCount = 1;
  QApplication application(qtArgumentCount, argv);
  // Before any window, so that an early signal waits for the message loop instead
  // of killing the program half-way through its start.
  TerminationSignals terminationSignals;
  QApplication::setApplicationName("Sondrel");
  QApplication::setApplicationVersion(kVersion);
  QApplication::setDesktopFileName(kApplicationId);
  SetWindowIcon();
  SetApplicationTitle(kStartupTitle);
  SetHelpFileName("Kelvo24.HLP");
  const QString separator = QLocale().decimalPoint();
  SetDecimalSeparator(separator.size() == 1 ? separator.at(0).toLatin1() : '.');

  // The windows, in their order of creation; each lives until the end.
  SoundOutput waveOut;
  TGenerator Generator(waveOut, [&front] {
    // Writes only what is missing: nothing once the registration is complete.
    const std::string error = RegisterFileTypes(
        DesktopFolders::FromEnvironment(),
        front.empty() ? QCoreApplication::applicationFilePath().toStdString() : front);
    if (!error.empty()) throw AppError("The file types could not be registered: " + error);
  });
  auto* ScriptPopup = new TScriptPopup(Generator);
  ScriptInterpreter interpreter(Generator, *ScriptPopup);
  // A signal ends the program as File > Exit does; the wait of a tone and a
  // script run notice it and end too.
  terminationSignals.onSignal = [&Generator](int) {
    // A message box (a script's pause, an error) would hold the run until
    // OK: close it and show no more, then end as File > Exit does.
    EndAllMessageBoxes();
    Guard(&Generator, [&Generator] { Generator.Exit1Click(); });
  };
  auto signalStatus = [&terminationSignals] { return 128 + terminationSignals.Received(); };
  Generator.FreqPopup = new TFreqPopup(Generator);
  Generator.AboutBox = new TAboutBox(Generator);
  new TSettingsForm(Generator, SettingsStore::DefaultPath());  // loads the stored options

  const std::string path = CommandLinePath(parameters);
  try {
    const bool ended = HandleCommandLineFile(Generator, path);
    if (terminationSignals.Received() != 0) return signalStatus();
    if (ended) {
      // The script has played: the loop shows the window and ends at once.
      QTimer::singleShot(0, &application, &QCoreApplication::quit);
    }
  } catch (const std::exception& error) {
    if (terminationSignals.Received() != 0) return signalStatus();
    Dialogs().ShowApplicationError(QString("Sondrel could not handle the file %1:\n%2")
                                       .arg(ShownText(path), ShownText(ErrorReportText(error.what()))));
    return 1;
  }

  Generator.show();
  const int status = application.exec();
  return terminationSignals.Received() != 0 ? signalStatus() : status;
}
