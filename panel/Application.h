#pragma once
// Program-wide texts of the running application: its title (the caption of
// every message box and of the task bar entry) and the help file in effect.

#include <QString>

namespace sondrel {

inline constexpr const char* kVersion = "2.4";
inline constexpr const char* kStartupTitle = "Sondrel 2.21";

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

QString HelpFileName();
void SetHelpFileName(const QString& name);

}  // namespace sondrel
