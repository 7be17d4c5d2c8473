// Sondrel's entry: sets up the application, creates its windows hidden in
// their fixed order, and runs the message loop until the main window closes.
#include <QApplication>
#include <QLocale>

#include "app/AboutBox.h"
#include "engine/NumberText.h"
#include "panel/Application.h"
#include "panel/FreqPopup.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"
#include "platform/SdlWaveOut.h"

int main(int argc, char** argv) {
  using namespace sondrel;
  QApplication application(argc, argv);
  QApplication::setApplicationName("Sondrel");
  QApplication::setApplicationVersion(kVersion);
  QApplication::setDesktopFileName("sondrel");
  SetApplicationTitle(kStartupTitle);
  SetHelpFileName("Kelvo24.HLP");
  const QString separator = QLocale().decimalPoint();
  SetDecimalSeparator(separator.size() == 1 ? separator.at(0).toLatin1() : '.');

  SdlWaveOut waveOut;
  TGenerator Generator(waveOut);
  auto* FreqPopup = new TFreqPopup(Generator);
  Generator.FreqPopup = FreqPopup;
  auto* AboutBox = new TAboutBox(Generator);
  Generator.AboutBox = AboutBox;

  Generator.show();
  return application.exec();
}
