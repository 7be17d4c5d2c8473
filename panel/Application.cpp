#include "panel/Application.h"

#include <QShortcut>
#include <QWidget>

#include "platform/HelpViewer.h"

namespace sondrel {

namespace {
QString gTitle = kStartupTitle;
QString gHelpFile;
}  // namespace

QString ApplicationTitle() { return gTitle; }
void SetApplicationTitle(const QString& title) { gTitle = title; }

QString HelpFileName() { return gHelpFile; }
void SetHelpFileName(const QString& name) { gHelpFile = name; }

void InstallContextHelp(QWidget* window, int helpContext) {
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), window);
  QObject::connect(help, &QShortcut::activated, window,
                   [helpContext] { ShowHelpContext(HelpFileName().toStdString(), helpContext); });
}

}  // namespace sondrel
