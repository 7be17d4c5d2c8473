// The audio-file writer's WAV: the plain PCM header while the data fits a
// RIFF header, RF64 beyond (with the data moved intact behind the longer
// header), and SoX's unknown length where the output cannot be sought back
// to; and each of its system calls failing.
#include "platform/AudioFileWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <optional>
#include <vector>

#include "tests/support/FailingFileCall.h"
#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

uint64_t Little(const std::vector<uint8_t>& bytes, size_t at, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes.at(at + static_cast<size_t>(i));
  return value;
}
std::string Text(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4);
}

class AudioFileWriterTest : public ::testing::Test {
 protected:
  static std::vector<uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  testing_support::TemporaryFolder temporary{"writer"};
  fs::path folder = temporary.Path();
};

std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  std::iota(samples.begin(), samples.end(), int16_t{-500});
  return samples;
}

TEST_F(AudioFileWriterTest, SmallDataGetsThePlainPcmHeader) {
  const std::vector<int16_t> samples = Ramp(1000);
  AudioFileWriter writer((folder / "a.wav").string(), AudioFileFormat::Wav, 2, 48000);
  writer.Write(samples.data(), 500);
  writer.Commit();
  const std::vector<uint8_t> bytes = Read(folder / "a.wav");
  ASSERT_EQ(bytes.size(), 44u + 2000u);
  EXPECT_EQ(Text(bytes, 0), "RIFF");
  EXPECT_EQ(Little(bytes, 4, 4), 36u + 2000u);
  EXPECT_EQ(Little(bytes, 16, 4), 16u);  // the 16-byte format chunk
  EXPECT_EQ(Little(bytes, 20, 2), 1u);   // PCM
  EXPECT_EQ(Little(bytes, 24, 4), 48000u);
  EXPECT_EQ(Text(bytes, 36), "data");
  EXPECT_EQ(Little(bytes, 40, 4), 2000u);
  EXPECT_EQ(std::memcmp(bytes.data() + 44, samples.data(), 2000), 0);
}

TEST_F(AudioFileWriterTest, OddDataGetsItsPadByte) {
  const std::vector<int32_t> samples(3, 0x12345600);  // 24-bit mono: 9 bytes
  AudioFileWriter writer((folder / "a.wav").string(), AudioFileFormat::Wav, 1, 44100, AudioSampleEncoding::Pcm24);
  writer.Write(samples.data(), 3);
  writer.Commit();
  const std::vector<uint8_t> bytes = Read(folder / "a.wav");
  ASSERT_EQ(bytes.size(), 44u + 9u + 1u);
  EXPECT_EQ(Little(bytes, 4, 4), 36u + 10u);
  EXPECT_EQ(Little(bytes, 40, 4), 9u);
  EXPECT_EQ(Little(bytes, 44, 3), 0x123456u);
  EXPECT_EQ(bytes.back(), 0);
}

TEST_F(AudioFileWriterTest, DataBeyondARiffHeaderTakesRf64) {
  const std::vector<int16_t> samples = Ramp(3000);
  AudioFileWriter writer((folder / "a.wav").string(), AudioFileFormat::Wav, 1, 44100);
  writer.SetLargestRiffData(4000);
  writer.Write(samples.data(), 3000);  // 6000 bytes
  writer.Commit();
  const std::vector<uint8_t> bytes = Read(folder / "a.wav");
  ASSERT_EQ(bytes.size(), 44u + 36u + 6000u);
  EXPECT_EQ(Text(bytes, 0), "RF64");
  EXPECT_EQ(Little(bytes, 4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Text(bytes, 12), "ds64");
  EXPECT_EQ(Little(bytes, 20, 8), bytes.size() - 8);
  EXPECT_EQ(Little(bytes, 28, 8), 6000u);
  EXPECT_EQ(Little(bytes, 36, 8), 3000u);
  EXPECT_EQ(Text(bytes, 48), "fmt ");
  EXPECT_EQ(Text(bytes, 72), "data");
  EXPECT_EQ(Little(bytes, 76, 4), 0xFFFFFFFFu);
  EXPECT_EQ(std::memcmp(bytes.data() + 80, samples.data(), 6000), 0);
}

// A pipe, or a file opened to append, cannot be written back: the header
// says the length is unknown. A file on standard output gets the lengths.
TEST_F(AudioFileWriterTest, OutputsThatCannotBeSoughtKeepTheUnknownLength) {
  const std::vector<int16_t> samples = Ramp(10);
  const fs::path path = folder / "out.wav";
  for (const bool append : {true, false}) {
    fs::remove(path);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | (append ? O_APPEND : 0), 0644);
    ASSERT_GE(fd, 0);
    AudioFileWriter writer(fd, "standard output", AudioFileFormat::Wav, 1, 44100, AudioSampleEncoding::Pcm16);
    writer.Write(samples.data(), 10);
    writer.Commit();
    close(fd);
    const std::vector<uint8_t> bytes = Read(path);
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_EQ(Little(bytes, 40, 4), append ? kUnknownWaveDataBytes : 20u) << append;
  }
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  {
    AudioFileWriter writer(ends[1], "standard output", AudioFileFormat::Wav, 1, 44100, AudioSampleEncoding::Pcm16);
    writer.Write(samples.data(), 10);
    writer.Commit();
  }
  close(ends[1]);
  std::vector<uint8_t> bytes(100);
  const ssize_t got = read(ends[0], bytes.data(), bytes.size());
  close(ends[0]);
  ASSERT_EQ(got, 64);
  EXPECT_EQ(Little(bytes, 4, 4), 36u + kUnknownWaveDataBytes);
  EXPECT_EQ(Little(bytes, 40, 4), kUnknownWaveDataBytes);
}

TEST_F(AudioFileWriterTest, FloatsCarryTheirFormatTagAndFactChunk) {
  const std::vector<float> samples = {0.5f, -0.25f};
  AudioFileWriter writer((folder / "a.wav").string(), AudioFileFormat::Wav, 1, 44100, AudioSampleEncoding::Float32);
  writer.Write(samples.data(), 2);
  writer.Commit();
  const std::vector<uint8_t> bytes = Read(folder / "a.wav");
  ASSERT_EQ(bytes.size(), 58u + 8u);
  EXPECT_EQ(Little(bytes, 16, 4), 18u);
  EXPECT_EQ(Little(bytes, 20, 2), 3u);
  EXPECT_EQ(Text(bytes, 38), "fact");
  EXPECT_EQ(Little(bytes, 46, 4), 2u);
  EXPECT_EQ(Little(bytes, 54, 4), 8u);
}

// A surround layout's speakers in the extensible header: the tag 0xFFFE,
// all bits valid, the channel mask, and the plain format as the sub-format
// GUID; floats keep their fact chunk behind it.
struct ExtensibleCase {
  AudioSampleEncoding encoding;
  int channels;
  uint32_t mask;
  uint16_t subFormat;
  size_t dataAt;  // where the samples begin
};

class ExtensibleHeaderTest : public AudioFileWriterTest, public ::testing::WithParamInterface<ExtensibleCase> {};

TEST_P(ExtensibleHeaderTest, NamesTheSpeakers) {
  const ExtensibleCase& c = GetParam();
  const std::vector<float> floats(static_cast<size_t>(c.channels), 0.5f);
  const std::vector<int16_t> shorts = Ramp(static_cast<size_t>(c.channels));
  const std::vector<int32_t> wide(static_cast<size_t>(c.channels), 0x12345600);
  AudioFileWriter writer((folder / "a.wav").string(), AudioFileFormat::Wav, c.channels, 48000, c.encoding, c.mask);
  if (c.encoding == AudioSampleEncoding::Float32) writer.Write(floats.data(), 1);
  if (c.encoding == AudioSampleEncoding::Pcm16) writer.Write(shorts.data(), 1);
  if (c.encoding == AudioSampleEncoding::Pcm24) writer.Write(wide.data(), 1);
  writer.Commit();
  const std::vector<uint8_t> bytes = Read(folder / "a.wav");
  const uint64_t bits = c.encoding == AudioSampleEncoding::Pcm16 ? 16 : c.encoding == AudioSampleEncoding::Pcm24 ? 24 : 32;
  const uint64_t frameBytes = bits / 8 * static_cast<uint64_t>(c.channels);
  ASSERT_EQ(bytes.size(), c.dataAt + frameBytes);
  EXPECT_EQ(Little(bytes, 4, 4), bytes.size() - 8);
  EXPECT_EQ(Little(bytes, 16, 4), 40u);
  EXPECT_EQ(Little(bytes, 20, 2), 0xFFFEu);
  EXPECT_EQ(Little(bytes, 22, 2), static_cast<uint64_t>(c.channels));
  EXPECT_EQ(Little(bytes, 32, 2), frameBytes);
  EXPECT_EQ(Little(bytes, 34, 2), bits);
  EXPECT_EQ(Little(bytes, 36, 2), 22u);
  EXPECT_EQ(Little(bytes, 38, 2), bits);
  EXPECT_EQ(Little(bytes, 40, 4), c.mask);
  EXPECT_EQ(Little(bytes, 44, 2), c.subFormat);
  EXPECT_EQ(Little(bytes, 46, 2), 0u);
  EXPECT_EQ(Little(bytes, 48, 4), 0x00100000u);
  EXPECT_EQ(Little(bytes, 52, 4), 0xAA000080u);
  EXPECT_EQ(Text(bytes, c.dataAt - 8), "data");
  EXPECT_EQ(Little(bytes, c.dataAt - 4, 4), frameBytes);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtensibleHeaderTest,
                         ::testing::Values(ExtensibleCase{AudioSampleEncoding::Pcm16, 3, 0x0B, 1, 68},
                                           ExtensibleCase{AudioSampleEncoding::Pcm24, 6, 0x3F, 1, 68},
                                           ExtensibleCase{AudioSampleEncoding::Float32, 8, 0x63F, 3, 80}));

using testing_support::FileCall;

struct WriterFailureCase {
  const char* name;
  FileCall call;
  int fromUse;  // the header is the first write, the samples the second
  int error;
  AudioFileError::Stage stage;
};

class WriterFailureTest : public AudioFileWriterTest, public ::testing::WithParamInterface<WriterFailureCase> {};

// Wherever the save fails, the error names the file and the system's reason,
// the file that was there is kept whole and no temporary file is left.
TEST_P(WriterFailureTest, ReportsTheStepAndKeepsTheOldFile) {
  const fs::path path = folder / "kept.wav";
  std::ofstream(path, std::ios::binary) << "the old file";
  const std::vector<int16_t> samples = Ramp(2000);
  std::optional<AudioFileError> caught;
  try {
    const testing_support::FailingFileCall failing(GetParam().call, GetParam().error, GetParam().fromUse);
    AudioFileWriter writer(path.string(), AudioFileFormat::Wav, 2, 44100);
    writer.Write(samples.data(), 1000);
    writer.Commit();
  } catch (const AudioFileError& error) {
    caught = error;
  }
  ASSERT_TRUE(caught.has_value());
  EXPECT_EQ(caught->WhatFailed(), GetParam().stage);
  EXPECT_STREQ(caught->what(), (path.string() + ": " + std::strerror(GetParam().error)).c_str());
  const std::vector<uint8_t> kept = Read(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "the old file");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WriterFailureTest,
    ::testing::Values(WriterFailureCase{"HeaderWrite", FileCall::Write, 1, ENOSPC, AudioFileError::Stage::Write},
                      WriterFailureCase{"SampleWrite", FileCall::Write, 2, ENOSPC, AudioFileError::Stage::Write},
                      WriterFailureCase{"HeaderRewrite", FileCall::Pwrite, 1, EIO, AudioFileError::Stage::Write},
                      WriterFailureCase{"Flush", FileCall::Fsync, 1, EIO, AudioFileError::Stage::Write},
                      WriterFailureCase{"Rename", FileCall::Rename, 1, EXDEV, AudioFileError::Stage::Create}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace sondrel
