// Saving replaces a file whole, and never fails where a plain overwrite
// would have worked: long names, read-only folders, symbolic links.
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Unprivileged.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/FailingFileCall.h"
#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;
using testing_support::GiveToBody;
using testing_support::RunUnprivileged;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override { GiveToBody(root); }

  static AtomicWriteResult Save(const fs::path& path, const std::string& text) {
    return WriteFileAtomically(path.string(), {{reinterpret_cast<const uint8_t*>(text.data()), text.size()}});
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Everything in root besides the named files: leftover temporary files.
  size_t EntriesIn(const fs::path& folder) const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  testing_support::TemporaryFolder temporary{"atomic"};
  fs::path root = temporary.Path();
};

class LongNameTest : public AtomicFileTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(LongNameTest, NamesUpToTheSystemLimitAreSaved) {
  const fs::path path = root / std::string(GetParam(), 'n');
  ASSERT_TRUE(Save(path, "old").ok());
  ASSERT_TRUE(Save(path, "new").ok());
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(EntriesIn(root), 1u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongNameTest, ::testing::Values(1, 200, 248, 250, 254, 255), CaseName());

TEST_F(AtomicFileTest, ANameBeyondTheLimitIsRefusedWithTheSystemsReason) {
  const AtomicWriteResult result = Save(root / std::string(256, 'n'), "x");
  EXPECT_EQ(result.status, AtomicWriteResult::Status::CannotCreate);
  EXPECT_EQ(result.error, ENAMETOOLONG);
  EXPECT_EQ(EntriesIn(root), 0u);
}

TEST_F(AtomicFileTest, ALinkKeepsPointingAtTheSavedFile) {
  fs::create_directories(root / "real");
  std::ofstream(root / "real" / "target.kvp") << "old";
  fs::create_symlink("real/target.kvp", root / "link.kvp");
  ASSERT_TRUE(Save(root / "link.kvp", "new").ok());
  EXPECT_TRUE(fs::is_symlink(root / "link.kvp"));
  EXPECT_EQ(Read(root / "real" / "target.kvp"), "new");
}

TEST_F(AtomicFileTest, ALinkToAFileNotYetThereCreatesIt) {
  fs::create_directories(root / "real");
  fs::create_symlink(root / "real" / "new.pcm", root / "link.pcm");
  fs::create_symlink("link.pcm", root / "second-link.pcm");  // a chain of two
  ASSERT_TRUE(Save(root / "second-link.pcm", "made").ok());
  EXPECT_TRUE(fs::is_symlink(root / "link.pcm"));
  EXPECT_TRUE(fs::is_symlink(root / "second-link.pcm"));
  EXPECT_EQ(Read(root / "real" / "new.pcm"), "made");
}

TEST_F(AtomicFileTest, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
  const fs::path folder = root / "locked";
  fs::create_directories(folder);
  std::ofstream(folder / "settings") << "a much longer old content";
  GiveToBody(folder);
  GiveToBody(folder / "settings");
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  const int status = RunUnprivileged([&] {
    const AtomicWriteResult result = Save(folder / "settings", "new");
    return result.ok() ? 0 : 10 + result.error;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(folder / "settings"), "new");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST_F(AtomicFileTest, ANewFileInAReadOnlyFolderIsRefused) {
  const fs::path folder = root / "locked";
  fs::create_directories(folder);
  GiveToBody(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  const int status = RunUnprivileged([&] {
    const AtomicWriteResult result = Save(folder / "new.kvp", "x");
    return result.status == AtomicWriteResult::Status::CannotCreate && result.error == EACCES ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(EntriesIn(folder), 0u);
}

TEST_F(AtomicFileTest, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path disk = root / "small";
  fs::create_directories(disk);
  if (mount("sondrel-test", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "); the full-disk case needs root in a mount namespace that allows it";
  }
  const std::string old(16 * 1024, 'o');
  const bool saved = Save(disk / "file.pcm", old).ok();
  const AtomicWriteResult result = Save(disk / "file.pcm", std::string(128 * 1024, 'n'));
  const std::string after = Read(disk / "file.pcm");
  const size_t entries = EntriesIn(disk);
  umount(disk.c_str());
  ASSERT_TRUE(saved);
  EXPECT_EQ(result.status, AtomicWriteResult::Status::WriteFailed);
  EXPECT_EQ(result.error, ENOSPC);
  EXPECT_EQ(after, old);
  EXPECT_EQ(entries, 1u);
}

struct FailedCallCase {
  testing_support::FileCall call;
  int error;
  AtomicWriteResult::Status status;
};

class FailedCallTest : public AtomicFileTest, public ::testing::WithParamInterface<FailedCallCase> {};

// Whichever step fails, the old file stays whole, nothing else is left in
// its folder, and the result says which step and why.
TEST_P(FailedCallTest, LeavesTheOldFileAndNoTemporaryFile) {
  const std::string old = "old contents";
  ASSERT_TRUE(Save(root / "file.pcm", old).ok());
  AtomicWriteResult result;
  {
    const testing_support::FailingFileCall failing(GetParam().call, GetParam().error);
    result = Save(root / "file.pcm", std::string(4096, 'n'));
  }
  EXPECT_EQ(result.status, GetParam().status);
  EXPECT_EQ(result.error, GetParam().error);
  EXPECT_EQ(Read(root / "file.pcm"), old);
  EXPECT_EQ(EntriesIn(root), 1u);
}

using testing_support::FileCall;
INSTANTIATE_TEST_SUITE_P(
    Calls, FailedCallTest,
    ::testing::Values(FailedCallCase{FileCall::Write, ENOSPC, AtomicWriteResult::Status::WriteFailed},
                      FailedCallCase{FileCall::Fsync, EIO, AtomicWriteResult::Status::WriteFailed},
                      FailedCallCase{FileCall::Rename, EXDEV, AtomicWriteResult::Status::CannotCreate}),
    [](const auto& test) { return std::string(testing_support::FileCallName(test.param.call)); });

}  // namespace
}  // namespace sondrel
