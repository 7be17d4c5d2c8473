#pragma once
// Registers Sondrel's two file types with the desktop, the freedesktop way:
// a MIME package for each type (scripts *.kvs, presets *.kvp) under
// $XDG_DATA_HOME/mime/packages, a desktop entry that opens both with this
// executable, its icon in the hicolor theme, and default-application entries
// in $XDG_CONFIG_HOME/mimeapps.list for the types the desktop does not
// already open with Sondrel.
// Each part counts as present when it exists in the user's data folder or a
// system one (an installed Sondrel ships them), and only missing parts are
// written, so a registration cut short is completed at the next start.

#include <optional>
#include <string>
#include <vector>

namespace sondrel {

inline constexpr const char* kScriptMimeType = "application/x-sondrel-script";
inline constexpr const char* kPresetMimeType = "application/x-sondrel-preset";
inline constexpr const char* kDesktopEntryName = "org.kelvo.Sondrel.desktop";
// The icon's name in the icon theme, and the application's id on the desktop.
inline constexpr const char* kApplicationId = "org.kelvo.Sondrel";

struct DesktopFolders {
  std::string dataHome;               // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::string> dataDirs;  // $XDG_DATA_DIRS or /usr/local/share, /usr/share
  std::string configHome;             // $XDG_CONFIG_HOME or ~/.config
  std::vector<std::string> configDirs;  // $XDG_CONFIG_DIRS or /etc/xdg

  static DesktopFolders FromEnvironment();
};

// Writes the parts of the registration that are missing (each MIME package,
// the desktop entry, the icon, each default-application entry), then refreshes the MIME
// and desktop databases where their tools are installed. A complete
// registration writes nothing. Returns an empty text, or one line for each
// part that could not be written and why; the other parts are written all
// the same, and a mimeapps.list that cannot be read is left untouched.
std::string RegisterFileTypes(const DesktopFolders& folders, const std::string& executable);

// mimeapps.list's text with Sondrel as the default for each of its types
// that has no default yet in [Default Applications], neither in the text nor
// in `setElsewhere` (the system's lists); every line of the text is kept, in
// order, and a default the user chose stays.
std::string WithDefaultApplications(const std::string& existing, const std::string& setElsewhere = {});

// The executable as the desktop entry's Exec key wants it: quoted only when
// it holds a character the format reserves, % doubled. Nothing for a path
// with a control character, which no desktop entry can hold.
std::optional<std::string> DesktopExecArgument(const std::string& executable);

}  // namespace sondrel
