#include "platform/FileTypes.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/ApplicationIcon.h"
#include "platform/AtomicFile.h"
#include "platform/DesktopFiles.h"
#include "platform/TextReader.h"

extern char** environ;

namespace sondrel {

namespace {

namespace fs = std::filesystem;

struct FileType {
  const char* mimeType;
  const char* package;  // file name under mime/packages
  const char* packageText;
};

constexpr FileType kScript{kScriptMimeType, "x-sondrel-script.xml", kScriptMimePackageText};
constexpr FileType kPreset{kPresetMimeType, "x-sondrel-preset.xml", kPresetMimePackageText};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : "";
}

// The installed entry, starting the executable given.
std::string DesktopEntry(const std::string& exec) {
  std::string entry = kDesktopEntryText;
  const std::string installed = "\nExec=sondrel ";
  const size_t at = entry.find(installed);
  if (at != std::string::npos) entry.replace(at + 6, installed.size() - 7, exec);
  return entry;
}

// The "key=" of a default-application entry for the type.
std::string DefaultKey(const FileType& type) { return std::string(type.mimeType) + "="; }

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The line names a default application for the type.
bool SetsDefault(const std::string& line, const FileType& type) {
  return StartsWith(line, DefaultKey(type)) && line.size() > DefaultKey(type).size();
}

// The text's [Default Applications] names an application for the type.
bool HasDefault(const std::string& text, const FileType& type) {
  std::istringstream in(text);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.front() == '[') section = line;
    if (section == "[Default Applications]" && SetsDefault(line, type)) return true;
  }
  return false;
}

}  // namespace

std::string WithDefaultApplications(const std::string& existing, const std::string& setElsewhere) {
  std::istringstream in(existing);
  std::vector<std::string> lines;
  std::string line;
  bool hasSection = false;
  while (std::getline(in, line)) {
    hasSection = hasSection || line == "[Default Applications]";
    lines.push_back(line);
  }
  const bool scriptSet = HasDefault(existing, kScript) || HasDefault(setElsewhere, kScript);
  const bool presetSet = HasDefault(existing, kPreset) || HasDefault(setElsewhere, kPreset);
  std::string missing;
  if (!scriptSet) missing += DefaultKey(kScript) + kDesktopEntryName + "\n";
  if (!presetSet) missing += DefaultKey(kPreset) + kDesktopEntryName + "\n";
  if (missing.empty()) return existing;

  std::string text;
  bool inserted = false;
  for (const std::string& kept : lines) {
    text += kept + "\n";
    if (kept == "[Default Applications]" && !inserted) {
      text += missing;
      inserted = true;
    }
  }
  if (!hasSection) text += "[Default Applications]\n" + missing;
  return text;
}

namespace {

std::string Write(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return path.string() + ": " + error.message();
  const AtomicWriteResult result =
      WriteFileAtomically(path.string(), {{reinterpret_cast<const uint8_t*>(text.data()), text.size()}});
  if (!result.ok()) return path.string() + ": " + std::strerror(result.error);
  return {};
}

void RunIfInstalled(const std::vector<std::string>& command) {
  std::vector<char*> arguments;
  for (const std::string& word : command) arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  if (posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ) == 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

DesktopFolders DesktopFolders::FromEnvironment() {
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  DesktopFolders folders;
  folders.dataHome = Environment("XDG_DATA_HOME");
  if (folders.dataHome.empty()) folders.dataHome = home + "/.local/share";
  folders.configHome = Environment("XDG_CONFIG_HOME");
  if (folders.configHome.empty()) folders.configHome = home + "/.config";
  auto list = [](const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    std::istringstream dirs(value != nullptr && value[0] != '\0' ? value : fallback);
    std::vector<std::string> absolute;
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
      if (!dir.empty() && dir[0] == '/') absolute.push_back(dir);
    }
    return absolute;
  };
  folders.dataDirs = list("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
  folders.configDirs = list("XDG_CONFIG_DIRS", "/etc/xdg");
  return folders;
}

namespace {

// The folders a part of the registration may stand in: the user's own first,
// then the system's (an installed Sondrel ships its own files there).
std::vector<fs::path> DataPlaces(const DesktopFolders& folders) {
  std::vector<fs::path> places = {folders.dataHome};
  places.insert(places.end(), folders.dataDirs.begin(), folders.dataDirs.end());
  return places;
}

bool IconInstalled(const DesktopFolders& folders) {
  std::error_code error;
  for (const fs::path& place : DataPlaces(folders)) {
    const fs::path theme = place / "icons" / "hicolor";
    if (fs::exists(theme / "scalable" / "apps" / (std::string(kApplicationId) + ".svg"), error) ||
        fs::exists(theme / "48x48" / "apps" / (std::string(kApplicationId) + ".png"), error)) {
      return true;
    }
  }
  return false;
}

std::string ReadText(const fs::path& path) {
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(path.string(), &bytes) != 0) return {};
  return std::string(bytes.begin(), bytes.end());
}

// A package counts when it declares the type: one cut short (even to 0
// bytes) or overwritten by something else is written again.
bool PackageInstalled(const DesktopFolders& folders, const FileType& type) {
  const std::string declaration = std::string("type=\"") + type.mimeType + "\"";
  for (const fs::path& place : DataPlaces(folders)) {
    if (ReadText(place / "mime" / "packages" / type.package).find(declaration) != std::string::npos) return true;
  }
  return false;
}

// The system's defaults that an installed Sondrel ships or an administrator
// set: $XDG_CONFIG_DIRS/mimeapps.list, then $XDG_DATA_DIRS/applications/
// mimeapps.list and the older defaults.list.
std::string SystemDefaults(const DesktopFolders& folders) {
  std::string text;
  for (const std::string& dir : folders.configDirs) text += ReadText(fs::path(dir) / "mimeapps.list") + "\n";
  for (const std::string& dir : folders.dataDirs) {
    for (const char* name : {"mimeapps.list", "defaults.list"}) text += ReadText(fs::path(dir) / "applications" / name) + "\n";
  }
  return text;
}

// Types that the desktop already opens with our entry without any default
// list: as xdg-mime answers, the first mimeinfo.cache (the user's data folder,
// then the system's) that lists the type names the application it prefers first.
std::string CachedDefaults(const DesktopFolders& folders) {
  std::string defaults;
  for (const FileType* type : {&kScript, &kPreset}) {
    for (const fs::path& place : DataPlaces(folders)) {
      std::istringstream cache(ReadText(place / "applications" / "mimeinfo.cache"));
      std::string line, first;
      while (first.empty() && std::getline(cache, line)) {
        if (StartsWith(line, DefaultKey(*type))) first = line.substr(DefaultKey(*type).size(), line.find(';') - DefaultKey(*type).size());
      }
      if (first.empty()) continue;
      if (first == kDesktopEntryName) defaults += DefaultKey(*type) + kDesktopEntryName + "\n";
      break;
    }
  }
  return defaults.empty() ? defaults : "[Default Applications]\n" + defaults;
}

// A desktop entry counts when it opens the script type: one cut short or
// overwritten by something else is written again.
bool DesktopEntryInstalled(const DesktopFolders& folders) {
  for (const fs::path& place : DataPlaces(folders)) {
    std::ifstream entry(place / "applications" / kDesktopEntryName);
    std::string line;
    while (std::getline(entry, line)) {
      if (StartsWith(line, "MimeType=") && line.find(kScriptMimeType) != std::string::npos) return true;
    }
  }
  return false;
}

}  // namespace

std::string RegisterFileTypes(const DesktopFolders& folders, const std::string& executable) {
  const fs::path data(folders.dataHome);
  std::vector<std::string> errors;
  auto note = [&errors](std::string error) {
    if (!error.empty()) errors.push_back(std::move(error));
  };

  bool packagesWritten = false;
  for (const FileType* type : {&kScript, &kPreset}) {
    if (PackageInstalled(folders, *type)) continue;
    const std::string error = Write(data / "mime" / "packages" / type->package, type->packageText);
    packagesWritten = packagesWritten || error.empty();
    note(error);
  }

  bool entryWritten = false;
  bool entryMissing = false;
  if (!DesktopEntryInstalled(folders)) {
    const fs::path entry = data / "applications" / kDesktopEntryName;
    if (const std::optional<std::string> exec = DesktopExecArgument(executable)) {
      const std::string error = Write(entry, DesktopEntry(*exec));
      entryWritten = error.empty();
      note(error);
    } else {
      entryMissing = true;
      note(entry.string() + ": the program's path "
           "contains a control character, which a desktop entry cannot hold");
    }
  }

  if (!IconInstalled(folders)) {
    note(Write(data / "icons" / "hicolor" / "scalable" / "apps" / (std::string(kApplicationId) + ".svg"),
               kApplicationIconSvg));
  }

  // Defaults for an entry that could not be written would name nothing, and
  // those the system already sets need no copy of the user's.
  const std::string systemDefaults = SystemDefaults(folders) + CachedDefaults(folders);
  if (!entryMissing && WithDefaultApplications(systemDefaults) != systemDefaults) {
    // A list that exists but cannot be read is left alone: writing it would
    // lose the user's other defaults.
    const fs::path mimeApps = fs::path(folders.configHome) / "mimeapps.list";
    std::vector<uint8_t> bytes;
    const int readError = ReadWholeFile(mimeApps.string(), &bytes);
    if (readError != 0 && readError != ENOENT && readError != ENOTDIR) {
      note(mimeApps.string() + ": " + ReadErrorText(readError) + " (left as it was)");
    } else {
      const std::string existing(bytes.begin(), bytes.end());
      const std::string wanted = WithDefaultApplications(existing, systemDefaults);
      if (wanted != existing || readError != 0) note(Write(mimeApps, wanted));
    }
  }

  if (packagesWritten) RunIfInstalled({"update-mime-database", (data / "mime").string()});
  if (entryWritten) RunIfInstalled({"update-desktop-database", (data / "applications").string()});

  std::string report;
  for (const std::string& error : errors) report += (report.empty() ? "" : "\n") + error;
  return report;
}

std::optional<std::string> DesktopExecArgument(const std::string& executable) {
  // The format's reserved characters make quoting necessary; inside double
  // quotes ", `, $ and \ take a backslash, the string escaping of the file
  // doubles every backslash once more, and % is written %% so that it is no
  // field code.
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  bool needsQuotes = false;
  for (const char c : executable) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    needsQuotes = needsQuotes || kReserved.find(c) != std::string_view::npos;
  }
  std::string argument = needsQuotes ? "\"" : "";
  for (const char c : executable) {
    // The characters that take a backslash are all reserved, so they only
    // ever appear inside quotes.
    if (c == '%') {
      argument += "%%";
    } else if (c == '"' || c == '`' || c == '$') {
      argument += "\\\\";
      argument += c;
    } else if (c == '\\') {
      argument += "\\\\\\\\";
    } else {
      argument += c;
    }
  }
  return needsQuotes ? argument + "\"" : argument;
}

}  // namespace sondrel
