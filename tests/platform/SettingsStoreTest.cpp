#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Unprivileged.h"
#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

// The value, or a failed test (not a crash) when it is missing.
StoredValue Stored(const SettingsStore& store, const char* key, const char* name) {
  const std::optional<StoredValue> value = store.ReadValue(key, name);
  if (!value) {
    ADD_FAILURE() << key << "\\" << name << " is missing";
    return {};
  }
  return *value;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }
  std::string ReadFile() const {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  testing_support::TemporaryFolder temporary{"store"};
  fs::path folder = temporary.Path();
  fs::path path = folder / "sondrel" / "settings";
};

TEST_F(SettingsStoreTest, DefaultPathHonoursXdgConfigHome) {
  setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/somewhere/config/sondrel/settings");
  setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
  setenv("HOME", "/home/user", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/home/user/.config/sondrel/settings");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsStore::DefaultPath(), "/home/user/.config/sondrel/settings");
}

TEST_F(SettingsStoreTest, MissingFileHasNoKey) {
  const SettingsStore store(path);
  EXPECT_FALSE(store.KeyExists("Software\\Kelvo"));
  EXPECT_FALSE(store.ReadValue("Software\\Kelvo", "LongBuffer"));
}

TEST_F(SettingsStoreTest, WritesCreateTheKeyAndKeepEverythingElse) {
  WriteFile("[Other\\Key]\nName=sz:kept\n");
  SettingsStore store(path);
  ASSERT_EQ(store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 1}, {"LongBuffer", 0}}), 0);
  EXPECT_TRUE(store.KeyExists("Software\\Kelvo"));
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "AlwaysStereo").data, (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(Stored(store, "Other\\Key", "Name").type, StoredValue::Type::String);
  EXPECT_NE(ReadFile().find("AlwaysStereo=dword:00000001\nLongBuffer=dword:00000000\n"), std::string::npos);
  ASSERT_EQ(store.WriteDwords("Software\\Kelvo", {{"LongBuffer", 0xDEADBEEF}}), 0);
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "LongBuffer").data, (std::vector<uint8_t>{0xEF, 0xBE, 0xAD, 0xDE}));
  EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsStoreTest, ReadsEveryTypeWithItsSize) {
  WriteFile("; comment\r\n[Software\\Kelvo]\r\nA=dword:2\r\nB=sz:on\r\nC=hex:01,02,03,04,05\r\nD=qword:1\r\nE=dword:xyz\r\n");
  const SettingsStore store(path);
  const auto a = store.ReadValue("Software\\Kelvo", "A");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->type, StoredValue::Type::Dword);
  EXPECT_EQ(a->data, (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "B").data, (std::vector<uint8_t>{'o', 'n', 0}));
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "C").data.size(), 5u);
  EXPECT_FALSE(store.ReadValue("Software\\Kelvo", "D"));  // not a type this store knows
  EXPECT_FALSE(store.ReadValue("Software\\Kelvo", "E"));
  EXPECT_FALSE(store.ReadValue("Software\\Kelvo", "F"));
}

TEST_F(SettingsStoreTest, UnwritableFolderGivesTheSystemError) {
  std::ofstream(folder / "sondrel") << "a file where the folder belongs";
  SettingsStore store(path);
  EXPECT_NE(store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 1}}), 0);
}

TEST_F(SettingsStoreTest, AValueStandingTwiceIsReadAndWrittenAtItsFirstPlace) {
  WriteFile("[Software\\Kelvo]\nAlwaysStereo=dword:00000001\nAlwaysStereo=dword:00000000\n"
            "[Software\\Kelvo]\nLongBuffer=dword:00000001\n");
  SettingsStore store(path.string());
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "AlwaysStereo").data.at(0), 1);
  EXPECT_FALSE(store.ReadValue("Software\\Kelvo", "LongBuffer"));  // only in the second copy of the key
  ASSERT_EQ(store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 0}, {"LongBuffer", 0}}), 0);
  // What was written is what the next start reads.
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "AlwaysStereo").data.at(0), 0);
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "LongBuffer").data.at(0), 0);
  ASSERT_EQ(store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 1}}), 0);
  EXPECT_EQ(Stored(store, "Software\\Kelvo", "AlwaysStereo").data.at(0), 1);
}

TEST_F(SettingsStoreTest, AFolderInThePlaceOfTheFileIsReportedAndLeftAlone) {
  fs::create_directories(path / "inside");
  SettingsStore store(path.string());
  EXPECT_EQ(store.ReadError(), EISDIR);
  EXPECT_EQ(store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 1}}), EISDIR);
  EXPECT_TRUE(fs::is_directory(path / "inside"));
}

TEST_F(SettingsStoreTest, AnUnreadableFileIsNeverWrittenOver) {
  const std::string original = "[Other\\Program]\nKeep=sz:this\n[Software\\Kelvo]\nAlwaysStereo=dword:00000001\n";
  WriteFile(original);
  testing_support::GiveToBody(folder);
  testing_support::GiveToBody(path.parent_path());
  fs::permissions(path, fs::perms::none);
  const int status = testing_support::RunUnprivileged([&] {
    SettingsStore store(path.string());
    if (store.ReadError() != EACCES) return 1;
    return store.WriteDwords("Software\\Kelvo", {{"AlwaysStereo", 0}}) == EACCES ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFile(), original);
}

TEST_F(SettingsStoreTest, AMissingFileIsNoReadError) {
  EXPECT_EQ(SettingsStore(path.string()).ReadError(), 0);
}

}  // namespace
}  // namespace sondrel
