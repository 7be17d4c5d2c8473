#pragma once
// Program-wide texts of the running application: its title (the caption of
// every message box and of the task bar entry) and the help file in effect.

#include <QString>
#include <Qt>

class QWidget;

namespace sondrel {

inline constexpr const char* kVersion = SONDREL_VERSION;  // the project's version in CMakeLists.txt
inline constexpr const char* kStartupTitle = "Sondrel 2.21";

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

QString HelpFileName();
void SetHelpFileName(const QString& name);

// The small tool windows: a title bar with only a close box.
inline constexpr Qt::WindowFlags kToolWindowFlags =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// F1 in the window opens the manual at its help context number.
void InstallContextHelp(QWidget* window, int helpContext);

// Escape in the window closes it, exactly as its close box does.
void CloseOnEscape(QWidget* window);

// Each time the window is shown, it is moved as far as needed to lie wholly
// on the screen it opens on (a design position scaled up for a large font or
// a high scale factor may lie partly beyond it).
void KeepOnScreen(QWidget* window);

}  // namespace sondrel
