#pragma once
// Registers Sondrel's two file types with the desktop, the freedesktop way:
// a MIME package for each type (scripts *.kvs, presets *.kvp) under
// $XDG_DATA_HOME/mime/packages, a desktop entry that opens both with this
// executable, and default-application entries in $XDG_CONFIG_HOME/mimeapps.list.
// The script type counts as registered when its MIME package exists in the
// user's data folder or any system one (an installed Sondrel ships it).

#include <string>
#include <vector>

namespace sondrel {

inline constexpr const char* kScriptMimeType = "application/x-sondrel-script";
inline constexpr const char* kPresetMimeType = "application/x-sondrel-preset";
inline constexpr const char* kDesktopEntryName = "sondrel.desktop";

struct DesktopFolders {
  std::string dataHome;               // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::string> dataDirs;  // $XDG_DATA_DIRS or /usr/local/share, /usr/share
  std::string configHome;             // $XDG_CONFIG_HOME or ~/.config

  static DesktopFolders FromEnvironment();
};

bool ScriptTypeRegistered(const DesktopFolders& folders);

// Writes every file of the registration, then refreshes the MIME and
// desktop databases where their tools are installed. Returns an empty text,
// or what could not be written and why.
std::string RegisterFileTypes(const DesktopFolders& folders, const std::string& executable);

// The executable as the desktop entry's Exec key wants it: quoted, with the
// characters the format reserves escaped.
std::string DesktopExecArgument(const std::string& executable);

}  // namespace sondrel
