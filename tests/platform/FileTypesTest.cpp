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
#include <chrono>
#include <map>
#include <optional>
#include <sstream>

#include "tests/support/Unprivileged.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/FailingFileCall.h"
#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

class FileTypesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"data", "config", "system", "sysconfig", "files"}) fs::create_directories(root / folder);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root / "system").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (root / "sysconfig").c_str(), 1);
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DESKTOP_SESSION");
    folders = DesktopFolders::FromEnvironment();
  }

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

  // What an installed Sondrel puts in the system's folders.
  void InstallSystemPackages() {
    fs::create_directories(root / "system" / "mime" / "packages");
    for (const char* type : {kScriptMimeType, kPresetMimeType}) {
      const std::string name = std::string(type).substr(std::string(type).find('/') + 1) + ".xml";
      std::ofstream(root / "system" / "mime" / "packages" / name) << "<mime-info><mime-type type=\"" << type << "\"/></mime-info>";
    }
  }
  void InstallSystemEntryAndIcon() {
    fs::create_directories(root / "system" / "applications");
    std::ofstream(root / "system" / "applications" / kDesktopEntryName)
        << "[Desktop Entry]\nMimeType=" << kScriptMimeType << ";" << kPresetMimeType << ";\n";
    fs::create_directories(root / "system" / "icons" / "hicolor" / "48x48" / "apps");
    std::ofstream(root / "system" / "icons" / "hicolor" / "48x48" / "apps" / "org.kelvo.Sondrel.png") << "png";
  }

  testing_support::TemporaryFolder temporary{"types"};
  fs::path root = temporary.Path();
  DesktopFolders folders;
};

// Every file of the registration, with its last change time.
std::map<std::string, fs::file_time_type> Snapshot(const fs::path& root) {
  std::map<std::string, fs::file_time_type> files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) files[item.path().string()] = item.last_write_time();
  }
  return files;
}

TEST_F(FileTypesTest, DesktopToolsKnowBothTypesAfterRegistration) {
  ASSERT_EQ(RegisterFileTypes(folders, "/opt/My Apps/sondrel"), "");
  EXPECT_EQ(Output("xdg-mime query filetype '" + File("check.kvs").string() + "'"), kScriptMimeType);
  EXPECT_EQ(Output("xdg-mime query filetype '" + File("set.kvp").string() + "'"), kPresetMimeType);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kScriptMimeType), kDesktopEntryName);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kPresetMimeType), kDesktopEntryName);
  const std::string entry = Read(root / "data" / "applications" / kDesktopEntryName);
  EXPECT_NE(entry.find("Exec=\"/opt/My Apps/sondrel\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-sondrel-script;application/x-sondrel-preset;"), std::string::npos);
  const fs::path entryPath = root / "data" / "applications" / kDesktopEntryName;
  EXPECT_EQ(std::system(("desktop-file-validate '" + entryPath.string() + "' >/dev/null").c_str()), 0);
  EXPECT_NE(entry.find("Icon=org.kelvo.Sondrel\n"), std::string::npos);
  const std::string icon = Read(root / "data" / "icons" / "hicolor" / "scalable" / "apps" / "org.kelvo.Sondrel.svg");
  EXPECT_EQ(icon.rfind("<svg", 0), 0u) << icon.substr(0, 40);
}

// The files written per user are the installed ones, the Exec line aside.
TEST_F(FileTypesTest, TheRegistrationWritesTheInstalledFiles) {
  ASSERT_EQ(RegisterFileTypes(folders, "/opt/sondrel/bin/sondrel"), "");
  std::string installed = Read(SONDREL_SOURCE_DIR "/data/org.kelvo.Sondrel.desktop");
  const size_t exec = installed.find("Exec=sondrel %f");
  ASSERT_NE(exec, std::string::npos);
  installed.replace(exec, 12, "Exec=/opt/sondrel/bin/sondrel");
  EXPECT_EQ(Read(root / "data" / "applications" / kDesktopEntryName), installed);
  for (const char* package : {"x-sondrel-script.xml", "x-sondrel-preset.xml"}) {
    EXPECT_EQ(Read(root / "data" / "mime" / "packages" / package), Read(fs::path(SONDREL_SOURCE_DIR "/data") / package));
  }
}

TEST_F(FileTypesTest, ACompleteRegistrationWritesNothing) {
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  const auto before = Snapshot(root);
  fs::last_write_time(root / "config" / "mimeapps.list", fs::file_time_type::clock::now() - std::chrono::hours(1));
  const auto listTime = fs::last_write_time(root / "config" / "mimeapps.list");
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_EQ(Snapshot(root).size(), before.size());
  EXPECT_EQ(fs::last_write_time(root / "config" / "mimeapps.list"), listTime);
}

TEST_F(FileTypesTest, ASystemInstallationNeedsOnlyTheDefaults) {
  fs::create_directories(root / "system" / "mime" / "packages");
  fs::create_directories(root / "system" / "applications");
  InstallSystemPackages();
  std::ofstream(root / "system" / "applications" / kDesktopEntryName)
      << "[Desktop Entry]\nMimeType=" << kScriptMimeType << ";" << kPresetMimeType << ";\n";
  fs::create_directories(root / "system" / "icons" / "hicolor" / "48x48" / "apps");
  std::ofstream(root / "system" / "icons" / "hicolor" / "48x48" / "apps" / "org.kelvo.Sondrel.png") << "png";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_FALSE(fs::exists(root / "data" / "mime"));
  EXPECT_FALSE(fs::exists(root / "data" / "applications"));
  EXPECT_FALSE(fs::exists(root / "data" / "icons"));
  EXPECT_NE(Read(root / "config" / "mimeapps.list").find(kScriptMimeType), std::string::npos);
}

// A first start that stopped half-way is completed at the next start.
TEST_F(FileTypesTest, ARegistrationCutShortIsCompletedNextTime) {
  fs::create_directories(root / "data");
  std::ofstream(root / "data" / "applications") << "a file where the folder belongs";
  const std::string error = RegisterFileTypes(folders, "/usr/bin/sondrel");
  EXPECT_NE(error.find(kDesktopEntryName), std::string::npos) << error;
  EXPECT_TRUE(fs::exists(root / "data" / "mime" / "packages" / "x-sondrel-script.xml"));
  fs::remove(root / "data" / "applications");
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kScriptMimeType), kDesktopEntryName);
  EXPECT_NE(Read(root / "data" / "applications" / kDesktopEntryName).find("Exec=/usr/bin/sondrel %f"),
            std::string::npos);
}

TEST_F(FileTypesTest, EachMissingPartIsWrittenAgain) {
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  fs::remove(root / "data" / "mime" / "packages" / "x-sondrel-preset.xml");
  std::ofstream(root / "data" / "applications" / kDesktopEntryName) << "stale";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_TRUE(fs::exists(root / "data" / "mime" / "packages" / "x-sondrel-preset.xml"));
  EXPECT_NE(Read(root / "data" / "applications" / kDesktopEntryName).find("Exec=/usr/bin/sondrel %f"),
            std::string::npos);
}

TEST_F(FileTypesTest, OtherDefaultApplicationsAndTheUsersChoiceAreKept) {
  std::ofstream(root / "config" / "mimeapps.list")
      << "[Added Associations]\ntext/plain=gedit.desktop;\n[Default Applications]\ntext/html=firefox.desktop\n"
      << kScriptMimeType << "=editor.desktop\n";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  const std::string list = Read(root / "config" / "mimeapps.list");
  EXPECT_NE(list.find("text/plain=gedit.desktop;"), std::string::npos);
  EXPECT_NE(list.find("text/html=firefox.desktop"), std::string::npos);
  EXPECT_NE(list.find(std::string(kScriptMimeType) + "=editor.desktop"), std::string::npos);
  EXPECT_EQ(Output(std::string("xdg-mime query default ") + kPresetMimeType), kDesktopEntryName);
}

TEST_F(FileTypesTest, AMimeappsListThatCannotBeReadIsReportedAndKept) {
  const fs::path list = root / "config" / "mimeapps.list";
  const std::string original = "[Default Applications]\ntext/html=firefox.desktop\n";
  std::ofstream(list) << original;
  for (const fs::path& path : {root, root / "config", root / "data", root / "system", list}) {
    testing_support::GiveToBody(path);
  }
  fs::permissions(list, fs::perms::none);
  const int status = testing_support::RunUnprivileged([&] {
    const std::string error = RegisterFileTypes(folders, "/usr/bin/sondrel");
    return error.find("mimeapps.list: Permission denied") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  fs::permissions(list, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Read(list), original);
  EXPECT_TRUE(fs::exists(root / "data" / "applications" / kDesktopEntryName));  // the other parts are written
}

TEST_F(FileTypesTest, AFolderInThePlaceOfMimeappsListIsLeftAlone) {
  fs::create_directories(root / "config" / "mimeapps.list" / "inside");
  const std::string error = RegisterFileTypes(folders, "/usr/bin/sondrel");
  EXPECT_NE(error.find("mimeapps.list: Is a directory"), std::string::npos) << error;
  EXPECT_TRUE(fs::exists(root / "config" / "mimeapps.list" / "inside"));
}

TEST_F(FileTypesTest, AFolderThatCannotBeWrittenIsReported) {
  fs::remove_all(root / "data");
  std::ofstream(root / "data") << "not a folder";
  const std::string error = RegisterFileTypes(folders, "/usr/bin/sondrel");
  EXPECT_NE(error.find("x-sondrel-script.xml"), std::string::npos) << error;
}

// A full disk: every part says so, the user's list that was there is kept,
// no part is left half-written, and the next start writes them all.
TEST_F(FileTypesTest, AFullDiskIsReportedForEveryPartAndMendedNextTime) {
  std::ofstream(root / "config" / "mimeapps.list") << "[Added Associations]\ntext/plain=editor.desktop;\n";
  std::string error;
  {
    const testing_support::FailingFileCall full(testing_support::FileCall::Write, ENOSPC);
    error = RegisterFileTypes(folders, "/usr/bin/sondrel");
  }
  for (const char* part : {"x-sondrel-script.xml: ", "x-sondrel-preset.xml: ", "org.kelvo.Sondrel.desktop: ",
                           "org.kelvo.Sondrel.svg: ", "mimeapps.list: "}) {
    EXPECT_NE(error.find(part + std::string("No space left on device")), std::string::npos) << part << "\n" << error;
  }
  EXPECT_EQ(Read(root / "config" / "mimeapps.list"), "[Added Associations]\ntext/plain=editor.desktop;\n");
  for (const auto& item : fs::recursive_directory_iterator(root / "data")) EXPECT_FALSE(item.is_regular_file()) << item.path();
  EXPECT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_EQ(Output("xdg-mime query default " + std::string(kPresetMimeType)), kDesktopEntryName);
}

TEST_F(FileTypesTest, APathWithAControlCharacterWritesNoEntry) {
  const std::string error = RegisterFileTypes(folders, "/opt/new\nline/sondrel");
  EXPECT_NE(error.find("control character"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(root / "data" / "applications" / kDesktopEntryName));
  EXPECT_FALSE(fs::exists(root / "config" / "mimeapps.list"));  // defaults would name no entry
}

// A package cut to nothing declares no type: it is written again.
TEST_F(FileTypesTest, AnEmptyMimePackageIsRepaired) {
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  fs::resize_file(root / "data" / "mime" / "packages" / "x-sondrel-script.xml", 0);
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_NE(Read(root / "data" / "mime" / "packages" / "x-sondrel-script.xml").find(kScriptMimeType), std::string::npos);
  EXPECT_EQ(Output("xdg-mime query filetype '" + File("again.kvs").string() + "'"), kScriptMimeType);
}

struct SystemDefaultsCase {
  const char* name;
  const char* file;  // under root
};

class SystemDefaultsTest : public FileTypesTest, public ::testing::WithParamInterface<SystemDefaultsCase> {};

// An installed copy whose system defaults already name our entry writes
// nothing at all for the user at its first start.
TEST_P(SystemDefaultsTest, AnInstalledCopyWritesNothing) {
  InstallSystemPackages();
  InstallSystemEntryAndIcon();
  fs::create_directories((root / GetParam().file).parent_path());
  std::ofstream(root / GetParam().file) << "[Default Applications]\n" << kScriptMimeType << "=" << kDesktopEntryName << "\n"
                                        << kPresetMimeType << "=" << kDesktopEntryName << "\n";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_TRUE(fs::is_empty(root / "config"));
  EXPECT_TRUE(fs::is_empty(root / "data"));
}

INSTANTIATE_TEST_SUITE_P(Lists, SystemDefaultsTest,
                         ::testing::Values(SystemDefaultsCase{"ConfigDirs", "sysconfig/mimeapps.list"},
                                           SystemDefaultsCase{"DataDirs", "system/applications/mimeapps.list"},
                                           SystemDefaultsCase{"OlderDefaultsList", "system/applications/defaults.list"}),
                         [](const auto& test) { return std::string(test.param.name); });

struct CacheCase {
  const char* name;
  const char* scriptApps;  // the cache's list for each type; nullptr: not listed
  const char* presetApps;
  bool scriptDefaultWritten, presetDefaultWritten;
};

class CachedDefaultsTest : public FileTypesTest, public ::testing::WithParamInterface<CacheCase> {};

// The desktop opens a type with the first application of the first cache that
// lists it: where that is our entry, the user's list gains no default for it.
TEST_P(CachedDefaultsTest, OnlyTypesTheCacheDoesNotOpenWithUsGetADefault) {
  InstallSystemPackages();
  InstallSystemEntryAndIcon();
  std::ofstream cache(root / "system" / "applications" / "mimeinfo.cache");
  cache << "[MIME Cache]\n";
  if (GetParam().scriptApps != nullptr) cache << kScriptMimeType << "=" << GetParam().scriptApps << "\n";
  if (GetParam().presetApps != nullptr) cache << kPresetMimeType << "=" << GetParam().presetApps << "\n";
  cache.close();
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  const std::string list = Read(root / "config" / "mimeapps.list");
  const std::string ours = std::string("=") + kDesktopEntryName;
  EXPECT_EQ(list.find(kScriptMimeType + ours) != std::string::npos, GetParam().scriptDefaultWritten) << list;
  EXPECT_EQ(list.find(kPresetMimeType + ours) != std::string::npos, GetParam().presetDefaultWritten) << list;
  if (!GetParam().scriptDefaultWritten && !GetParam().presetDefaultWritten) {
    EXPECT_TRUE(fs::is_empty(root / "config"));
  }
  EXPECT_TRUE(fs::is_empty(root / "data"));
}

INSTANTIATE_TEST_SUITE_P(
    Caches, CachedDefaultsTest,
    ::testing::Values(CacheCase{"OursForBoth", "org.kelvo.Sondrel.desktop;", "org.kelvo.Sondrel.desktop;", false, false},
                      CacheCase{"AnotherFirst", "other.desktop;org.kelvo.Sondrel.desktop;", "other.desktop;", true, true},
                      CacheCase{"OursForScriptsOnly", "org.kelvo.Sondrel.desktop;", nullptr, false, true},
                      CacheCase{"NeitherListed", nullptr, nullptr, true, true}),
    [](const auto& test) { return std::string(test.param.name); });

// "type=" with nothing after it names no application.
TEST_F(FileTypesTest, AnEmptyDefaultLineIsNoDefault) {
  std::ofstream(root / "config" / "mimeapps.list") << "[Default Applications]\n" << kScriptMimeType << "=\n";
  ASSERT_EQ(RegisterFileTypes(folders, "/usr/bin/sondrel"), "");
  EXPECT_NE(Read(root / "config" / "mimeapps.list").find(std::string(kScriptMimeType) + "=" + kDesktopEntryName),
            std::string::npos);
}

struct ExecCase {
  const char* path;
  std::optional<std::string> exec;
};
void PrintTo(const ExecCase& c, std::ostream* out) { *out << "'" << c.path << "'"; }

class DesktopExecArgumentTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExecArgumentTest, QuotesOnlyWhatNeedsQuoting) {
  EXPECT_EQ(DesktopExecArgument(GetParam().path), GetParam().exec);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecArgumentTest,
    ::testing::Values(ExecCase{"/usr/bin/sondrel", "/usr/bin/sondrel"},
                      ExecCase{"/opt/sondrel-2.4/bin/sondrel", "/opt/sondrel-2.4/bin/sondrel"},
                      ExecCase{"/opt/100%/sondrel", "/opt/100%%/sondrel"},
                      ExecCase{"/opt/a b/sondrel", "\"/opt/a b/sondrel\""},
                      ExecCase{"/opt/a b%/sondrel", "\"/opt/a b%%/sondrel\""},
                      ExecCase{"/opt/$x/\"q\"", "\"/opt/\\\\$x/\\\\\"q\\\\\"\""},
                      ExecCase{"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
                      ExecCase{"/opt/it's", "\"/opt/it's\""},
                      ExecCase{"/opt/tab\there", std::nullopt},
                      ExecCase{"/opt/new\nline", std::nullopt},
                      ExecCase{"/opt/del\x7f", std::nullopt}), CaseName());

// The desktop's own launcher must find the program through the entry, also in
// xdg-open's generic mode, which splits Exec at blanks and takes no quotes.
TEST_F(FileTypesTest, XdgOpenStartsTheProgramThroughTheEntry) {
  const fs::path program = root / "files" / "bin" / "fake-sondrel";
  fs::create_directories(program.parent_path());
  const fs::path opened = root / "files" / "opened";
  std::ofstream(program) << "#!/bin/sh\necho \"$1\" > '" << opened.string() << "'\n";
  fs::permissions(program, fs::perms::owner_all);
  ASSERT_EQ(RegisterFileTypes(folders, program.string()), "");
  const fs::path script = File("run me.kvs");
  // Any display name will do: without one, xdg-open offers only text browsers.
  ASSERT_EQ(std::system(("DISPLAY=:99 xdg-open '" + script.string() + "' >/dev/null 2>&1").c_str()), 0);
  for (int wait = 0; wait < 50 && !fs::exists(opened); ++wait) usleep(100000);
  EXPECT_EQ(Read(opened), script.string() + "\n");
}

}  // namespace
}  // namespace sondrel
