#pragma once
// The built program run from a test as a terminal would run it: in a folder
// of its own, with settings of its own, no display and (unless asked) no
// sound server; its status, standard output and standard error kept.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

namespace sondrel {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder / "config"); }

  // The shell command that runs the program in the folder with no display,
  // no window system and no sound server, in `environment`.
  std::string Command(const std::string& arguments, bool soundServer = false) const {
    return "cd '" + folder.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
           (soundServer ? "" : "-u PULSE_SERVER ") + "XDG_CONFIG_HOME='" + (folder / "config").string() + "' " +
           environment + " " + SONDREL_EXECUTABLE + " " + arguments;
  }
  Result Sondrel(const std::string& arguments, const std::string& input = "", bool soundServer = false) {
    const fs::path in = folder / "stdin", out = folder / "stdout", err = folder / "stderr";
    std::ofstream(in, std::ios::binary) << input;
    const std::string command =
        Command(arguments, soundServer) + " <'" + in.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(out), Read(err)};
  }
  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  fs::path Script(const std::string& text) {
    const fs::path path = folder / "test.kvs";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Only the files a test made itself: no temporary file left behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing_support::TemporaryFolder temporary{"terminal"};
  fs::path folder = temporary.Path();
  // Numbers in scripts read with '.' unless a test says otherwise.
  std::string environment = "LC_ALL=C";
};

}  // namespace sondrel
