// File type registration checked with the desktop's own tools (xdg-mime,
// which reads the MIME database and mimeapps.list) in a private set of XDG
// folders.
#include "platform/FileTypes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sondrel {
namespace {

namespace fs = std::filesystem;

class FileTypesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("sondrel-types-" + std::to_string(getpid()));
    fs::remove_all(root);
    for (const char* folder : {"data", "config", "system", "files"}) fs::create_directories(root / folder);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root / "system").c_str(), 1);
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DESKTOP_SESSION");
    folders = DesktopFolders::FromEnvironment();
  }
  void TearDown() override { fs::remove_all(root); }

  static std::string Output(const std::string& command) {
    std::array<char, 512> buffer{};
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return output;
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
    pclose(pipe);
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  fs::path File(const char* name) {
    const fs::path path = root / "files" / name;
    std::ofstream(path) << "rem\r\n";
    return path;
  }

  fs::path root;
  DesktopFolders folders;
};

TEST_F(FileTypesTest, DesktopToolsKnowBothTypesAfterRegistration) {
  EXPECT_FALSE(ScriptTypeRegistered(folders));
  ASSERT_EQ(RegisterFileTypes(folders, "/opt/My Apps/sondrel"), "");
  EXPECT_TRUE(ScriptTypeRegistered(folders));
  EXPECT_EQ(Output("xdg-mime query filetype '" + File("check.kvs").string() + "'"), kScriptMimeType);
  EXPECT_EQ(Output("xdg-mime query filetype '" + File("set.kvp").string() + "'"), kPresetMimeType);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kScriptMimeType), kDesktopEntryName);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kPresetMimeType), kDesktopEntryName);
  const std::string entry = Read(root / "data" / "applications" / kDesktopEntryName);
  EXPECT_NE(entry.find("Exec=\"/opt/My Apps/sondrel\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-sondrel-script;application/x-sondrel-preset;"), std::string::npos);
  const fs::path entryPath = root / "data" / "applications" / kDesktopEntryName;
  EXPECT_EQ(std::system(("desktop-file-validate '" + entryPath.string() + "' >/dev/null").c_str()), 0);
}

TEST_F(FileTypesTest, ASystemPackageCountsAsRegistered) {
  fs::create_directories(root / "system" / "mime" / "packages");
  std::ofstream(root / "system" / "mime" / "packages" / "x-sondrel-script.xml") << "<mime-info/>";
  EXPECT_TRUE(ScriptTypeRegistered(folders));
}

TEST_F(FileTypesTest, RemovedScriptRegistrationIsWrittenAgainWholly) {
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  fs::remove(root / "data" / "mime" / "packages" / "x-sondrel-script.xml");
  std::ofstream(root / "data" / "applications" / kDesktopEntryName) << "stale";
  EXPECT_FALSE(ScriptTypeRegistered(folders));
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_TRUE(ScriptTypeRegistered(folders));
  EXPECT_NE(Read(root / "data" / "applications" / kDesktopEntryName).find("Exec=\"/usr/bin/sondrel\" %f"),
            std::string::npos);
}

TEST_F(FileTypesTest, OtherDefaultApplicationsAreKept) {
  std::ofstream(root / "config" / "mimeapps.list")
      << "[Added Associations]\ntext/plain=gedit.desktop;\n[Default Applications]\ntext/html=firefox.desktop\n"
      << kScriptMimeType << "=old.desktop\n";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  const std::string list = Read(root / "config" / "mimeapps.list");
  EXPECT_NE(list.find("text/plain=gedit.desktop;"), std::string::npos);
  EXPECT_NE(list.find("text/html=firefox.desktop"), std::string::npos);
  EXPECT_EQ(list.find("old.desktop"), std::string::npos);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kScriptMimeType), kDesktopEntryName);
}

TEST_F(FileTypesTest, AFolderThatCannotBeWrittenIsReported) {
  fs::remove_all(root / "data");
  std::ofstream(root / "data") << "not a folder";
  const std::string error = RegisterFileTypes(folders, "/usr/bin/sondrel");
  EXPECT_NE(error.find("x-sondrel-script.xml"), std::string::npos) << error;
}

TEST(DesktopExecArgumentTest, QuotesAndEscapesReservedCharacters) {
  EXPECT_EQ(DesktopExecArgument("/usr/bin/sondrel"), "\"/usr/bin/sondrel\"");
  EXPECT_EQ(DesktopExecArgument("/opt/a b/sondrel"), "\"/opt/a b/sondrel\"");
  EXPECT_EQ(DesktopExecArgument("/opt/$x/\"q\""), "\"/opt/\\\\$x/\\\\\"q\\\\\"\"");
  EXPECT_EQ(DesktopExecArgument("/opt/back\\slash"), "\"/opt/back\\\\\\\\slash\"");
}

}  // namespace
}  // namespace sondrel
