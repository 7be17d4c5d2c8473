#pragma once
// The one file Sondrel accepts on its command line: a script (its path ends
// in "kvs") is played and the program then ends by itself; a preset file
// ("kvp") is loaded into the memories. Desktops pass paths unquoted, so a
// path with spaces may arrive as several parameters; they are joined again
// with single spaces.

#include <QString>
#include <QStringList>

namespace sondrel {

class TGenerator;

QString CommandLinePath(const QStringList& parameters);

// Plays or loads the file, when it exists and its path ends in the lower-case
// "kvs" or "kvp"; any other path is ignored. Returns true when the program
// should end after the run. Throws AppError when the run or load fails.
bool HandleCommandLineFile(TGenerator& generator, const QString& path);

}  // namespace sondrel
