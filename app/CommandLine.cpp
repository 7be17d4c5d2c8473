#include "app/CommandLine.h"

#include <QFileInfo>

#include "panel/Generator.h"

namespace sondrel {

QString CommandLinePath(const QStringList& parameters) { return parameters.join(' '); }

bool HandleCommandLineFile(TGenerator& generator, const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  if (path.endsWith("kvs", Qt::CaseSensitive)) {
    generator.RunScript(path);
    return true;
  }
  if (path.endsWith("kvp", Qt::CaseSensitive)) generator.LoadPresetFile(path);
  return false;
}

}  // namespace sondrel
