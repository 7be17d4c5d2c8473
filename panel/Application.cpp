#include "panel/Application.h"

namespace sondrel {

namespace {
QString gTitle = kStartupTitle;
QString gHelpFile;
}  // namespace

QString ApplicationTitle() { return gTitle; }
void SetApplicationTitle(const QString& title) { gTitle = title; }

QString HelpFileName() { return gHelpFile; }
void SetHelpFileName(const QString& name) { gHelpFile = name; }

}  // namespace sondrel
