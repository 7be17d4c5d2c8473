#include "engine/PcmExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/AppError.h"
#include "engine/Synthesis.h"

#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

class PcmExportTest : public ::testing::Test {
 protected:
  static std::vector<uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  static PcmBuffer Tone(const char* frequency, ChannelGains gains = {}) {
    PanelState state;
    state.fEdit = frequency;
    PcmBuffer buffer;
    SynthesizeSignal(state, gains, buffer);
    return buffer;
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
  }

  testing_support::TemporaryFolder temporary{"export"};
  fs::path folder = temporary.Path();
};

TEST_F(PcmExportTest, WritesExactlyTheBufferAndReplacesAnOldFile) {
  const fs::path file = folder / "signal.pcm";
  Write(file, std::string(5000, 'x'));
  const PcmBuffer buffer = Tone("1000");
  WritePcmFile(file, buffer);
  const std::vector<uint8_t> written = Read(file);
  ASSERT_EQ(written.size(), 882u);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), buffer.Data()));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"signal.pcm"});  // no temporary left
}

TEST_F(PcmExportTest, EmptyBufferGivesAnEmptyFile) {
  const fs::path file = folder / "empty.pcm";
  WritePcmFile(file, PcmBuffer{});
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);
}

// Raw PCM and WAV report their failures alike.
class PcmAndWaveExportTest : public PcmExportTest, public ::testing::WithParamInterface<const char*> {
 protected:
  static void Save(const fs::path& file, const PcmBuffer& buffer) {
    if (file.extension() == ".wav") {
      WriteWaveFile(file, buffer, 1, 44100);
    } else {
      WritePcmFile(file, buffer);
    }
  }
};
INSTANTIATE_TEST_SUITE_P(Formats, PcmAndWaveExportTest, ::testing::Values("pcm", "wav"));

TEST_P(PcmAndWaveExportTest, MissingFolderCannotBeCreated) {
  const fs::path file = folder / "no such folder" / ("signal." + std::string(GetParam()));
  try {
    Save(file, Tone("1000"));
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.what(), "Cannot create file " + file.string());
  }
}

TEST_P(PcmAndWaveExportTest, FullDiskIsAStreamWriteErrorAndKeepsTheOldFile) {
  // A file size limit in a child process makes write() fail part-way, as a
  // full disk would.
  const fs::path file = folder / ("signal." + std::string(GetParam()));
  Write(file, "old");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    ::rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      Save(file, Tone("997"));
    } catch (const AppError& error) {
      _exit(std::string(error.what()) == "Stream write error" ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read(file), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{file.filename().string()});
}

TEST_F(PcmExportTest, ExistingFileKeepsItsPermissionsAndLinksAreFollowed) {
  const fs::path target = folder / "target.pcm";
  const fs::path link = folder / "link.pcm";
  Write(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, link);
  WritePcmFile(link, Tone("11025"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target).size(), 8u);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(PcmExportTest, WavFileIsTheSamplesBehindThePlainPcmHeader) {
  const PcmBuffer buffer = Tone("11025", {1, 0, 1});  // stereo, 16 bytes
  const fs::path file = folder / "signal.wav";
  WriteWaveFile(file, buffer, 2, 44100);
  const std::vector<uint8_t> bytes = Read(file);
  ASSERT_EQ(bytes.size(), 44u + 16u);
  const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 44);
  const std::vector<uint8_t> expected = {
      'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
      1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0};
  EXPECT_EQ(header, expected);
  EXPECT_TRUE(std::equal(bytes.begin() + 44, bytes.end(), buffer.Data()));
  WriteWaveFile(file, Tone("1000"), 1, 48000);
  const std::vector<uint8_t> mono = Read(file);
  ASSERT_EQ(mono.size(), 44u + 882u);
  EXPECT_EQ(mono[22], 1);   // channels
  EXPECT_EQ(mono[24], 0x80);  // 48000 = 0xBB80
  EXPECT_EQ(mono[32], 2);   // block align
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"signal.wav"});
}

}  // namespace
}  // namespace sondrel
