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

#include "platform/AtomicFile.h"

extern char** environ;

namespace sondrel {

namespace {

namespace fs = std::filesystem;

struct FileType {
  const char* mimeType;
  const char* package;  // file name under mime/packages
  const char* comment;
  const char* pattern;
};

constexpr FileType kScript{kScriptMimeType, "x-sondrel-script.xml", "Sondrel script", "*.kvs"};
constexpr FileType kPreset{kPresetMimeType, "x-sondrel-preset.xml", "Sondrel preset", "*.kvp"};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : "";
}

std::string MimePackage(const FileType& type) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                     "  <mime-type type=\"") +
         type.mimeType + "\">\n    <comment>" + type.comment +
         "</comment>\n    <sub-class-of type=\"text/plain\"/>\n    <glob pattern=\"" + type.pattern +
         "\"/>\n  </mime-type>\n</mime-info>\n";
}

std::string DesktopEntry(const std::string& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Sondrel\n"
         "GenericName=Test-Tone Generator\n"
         "Comment=Play test tones and sweeps\n"
         "Icon=sondrel\n"
         "Exec=" +
         DesktopExecArgument(executable) +
         " %f\n"
         "Terminal=false\n"
         "Categories=AudioVideo;Audio;\n"
         "MimeType=" +
         kScriptMimeType + ";" + kPresetMimeType + ";\n";
}

// mimeapps.list with Sondrel as the default for both types; everything else
// in the file is kept as it was.
std::string DefaultApplications(const std::string& existing) {
  std::istringstream in(existing);
  std::string text, line, section;
  bool written = false;
  auto defaults = [] {
    return std::string(kScriptMimeType) + "=" + kDesktopEntryName + "\n" + kPresetMimeType + "=" +
           kDesktopEntryName + "\n";
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.front() == '[') {
      section = line;
      text += line + "\n";
      if (section == "[Default Applications]") {
        text += defaults();
        written = true;
      }
      continue;
    }
    const bool ours = section == "[Default Applications]" &&
                      (line.rfind(std::string(kScriptMimeType) + "=", 0) == 0 ||
                       line.rfind(std::string(kPresetMimeType) + "=", 0) == 0);
    if (!ours) text += line + "\n";
  }
  if (!written) text += "[Default Applications]\n" + defaults();
  return text;
}

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
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::istringstream dirs(dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && dir[0] == '/') folders.dataDirs.push_back(dir);
  }
  return folders;
}

bool ScriptTypeRegistered(const DesktopFolders& folders) {
  std::vector<std::string> places = {folders.dataHome};
  places.insert(places.end(), folders.dataDirs.begin(), folders.dataDirs.end());
  std::error_code error;
  for (const std::string& place : places) {
    if (fs::exists(fs::path(place) / "mime" / "packages" / kScript.package, error)) return true;
  }
  return false;
}

std::string RegisterFileTypes(const DesktopFolders& folders, const std::string& executable) {
  const fs::path data(folders.dataHome);
  const fs::path mimeApps = fs::path(folders.configHome) / "mimeapps.list";
  std::ifstream existingFile(mimeApps);
  const std::string existing((std::istreambuf_iterator<char>(existingFile)), std::istreambuf_iterator<char>());
  existingFile.close();

  for (const FileType* type : {&kScript, &kPreset}) {
    if (std::string error = Write(data / "mime" / "packages" / type->package, MimePackage(*type)); !error.empty()) {
      return error;
    }
  }
  if (std::string error = Write(data / "applications" / kDesktopEntryName, DesktopEntry(executable)); !error.empty()) {
    return error;
  }
  if (std::string error = Write(mimeApps, DefaultApplications(existing)); !error.empty()) return error;

  RunIfInstalled({"update-mime-database", (data / "mime").string()});
  RunIfInstalled({"update-desktop-database", (data / "applications").string()});
  return {};
}

std::string DesktopExecArgument(const std::string& executable) {
  // Inside double quotes, ", `, $ and \ take a backslash; and the file
  // format escapes every backslash once more.
  std::string quoted = "\"";
  for (const char c : executable) {
    if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '\\') {
      quoted += "\\\\\\\\";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace sondrel
