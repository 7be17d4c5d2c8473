#include "platform/AudioFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/AtomicFileStream.h"
#include "platform/FileCalls.h"
#include "platform/SndfileLibrary.h"

namespace sondrel {

namespace {

static_assert(std::endian::native == std::endian::little, "samples are written in the machine's byte order");

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

uint16_t BitsOf(AudioSampleEncoding encoding) {
  return encoding == AudioSampleEncoding::Pcm24 ? 24 : encoding == AudioSampleEncoding::Float32 ? 32 : 16;
}

// Where the descriptor stands, when the bytes written there can be sought back
// to and overwritten; -1 for a pipe, a terminal or a file opened to append.
int64_t RewritableStart(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_APPEND) != 0) return -1;
  const off_t position = lseek(fd, 0, SEEK_CUR);
  return position < 0 ? -1 : position;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t written =
        offset < 0 ? SystemFileCalls().write(fd, bytes, size) : SystemFileCalls().pwrite(fd, bytes, size, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
    if (offset >= 0) offset += written;
  }
  return true;
}

}  // namespace

// FLAC is finished by going back to its start: on an output that cannot be
// sought back to, it is written to an unnamed file first and copied at the end.
struct AudioFileWriter::Flac {
  const SndfileFunctions* library = nullptr;
  SNDFILE* file = nullptr;
  int spool = -1;  // the unnamed file, or -1
  ~Flac() {
    if (spool >= 0) close(spool);
  }
};

std::optional<AudioFileFormat> AudioFileFormatFor(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == "pcm") return AudioFileFormat::Raw;
  return AudioFileFormatNamed(extension);
}

std::optional<AudioFileFormat> AudioFileFormatNamed(const std::string& name) {
  if (name == "wav") return AudioFileFormat::Wav;
  if (name == "flac") return AudioFileFormat::Flac;
  if (name == "raw") return AudioFileFormat::Raw;
  return std::nullopt;
}

AudioFileWriter::AudioFileWriter(std::string path, AudioFileFormat format, int channels, int rate,
                                 AudioSampleEncoding encoding, uint32_t channelMask)
    : name_(std::move(path)), channels_(channels) {
  stream_ = std::make_unique<AtomicFileStream>(name_);
  if (!stream_->Opened().ok()) Fail(AudioFileError::Stage::Create, std::strerror(stream_->Opened().error));
  fd_ = stream_->Descriptor();
  start_ = 0;
  Open(format, rate, encoding, channelMask);
}

AudioFileWriter::AudioFileWriter(int descriptor, std::string name, AudioFileFormat format, int channels, int rate,
                                 AudioSampleEncoding encoding, uint32_t channelMask)
    : name_(std::move(name)), fd_(descriptor), channels_(channels) {
  start_ = RewritableStart(fd_);
  Open(format, rate, encoding, channelMask);
}

void AudioFileWriter::Open(AudioFileFormat format, int rate, AudioSampleEncoding encoding, uint32_t channelMask) {
  format_ = format;
  layout_ = {static_cast<uint16_t>(channels_), static_cast<uint32_t>(rate), BitsOf(encoding),
             encoding == AudioSampleEncoding::Float32, channelMask};
  largestRiffData_ = LargestRiffData(layout_);
  if (format == AudioFileFormat::Wav) {
    const std::vector<uint8_t> header = UnknownLengthWaveHeader(layout_);
    headerBytes_ = header.size();
    Put(header.data(), header.size());
  } else if (format == AudioFileFormat::Flac) {
    flac_ = std::make_unique<Flac>();
    std::string problem;
    flac_->library = Sndfile(&problem);
    if (flac_->library == nullptr) Fail(AudioFileError::Stage::Create, "FLAC cannot be written: " + problem);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels_;
    info.format = SF_FORMAT_FLAC | (encoding == AudioSampleEncoding::Pcm24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16);
    if (start_ < 0) {
      const char* folder = std::getenv("TMPDIR");
      flac_->spool = open(folder != nullptr && folder[0] == '/' ? folder : "/tmp", O_TMPFILE | O_RDWR, 0600);
      if (flac_->spool < 0) Fail(AudioFileError::Stage::Create, std::string("no room for the FLAC: ") + std::strerror(errno));
    }
    flac_->file = flac_->library->sf_open_fd(flac_->spool >= 0 ? flac_->spool : fd_, SFM_WRITE, &info, SF_FALSE);
    if (flac_->file == nullptr) Fail(AudioFileError::Stage::Create, flac_->library->sf_strerror(nullptr));
  }
}

// Abandoned: the stream removes its temporary file.
AudioFileWriter::~AudioFileWriter() {
  if (flac_ && flac_->file != nullptr) flac_->library->sf_close(flac_->file);
}

void AudioFileWriter::Fail(AudioFileError::Stage stage, const std::string& reason) const {
  throw AudioFileError(stage, name_ + ": " + reason);
}

void AudioFileWriter::Put(const void* bytes, size_t size) {
  if (!WriteAll(fd_, static_cast<const uint8_t*>(bytes), size, -1)) {
    Fail(AudioFileError::Stage::Write, std::strerror(errno != 0 ? errno : EIO));
  }
}

void AudioFileWriter::PutSamples(const void* bytes, size_t size, size_t frames) {
  Put(bytes, size);
  dataBytes_ += size;
  frames_ += frames;
}

void AudioFileWriter::FlacWritten(int64_t written, size_t frames) {
  if (written != static_cast<int64_t>(frames)) Fail(AudioFileError::Stage::Write, flac_->library->sf_strerror(flac_->file));
  frames_ += frames;
}

void AudioFileWriter::Write(const int16_t* samples, size_t frames) {
  if (flac_) return FlacWritten(flac_->library->sf_writef_short(flac_->file, samples, static_cast<sf_count_t>(frames)), frames);
  PutSamples(samples, frames * static_cast<size_t>(channels_) * sizeof(int16_t), frames);
}

void AudioFileWriter::Write(const int32_t* samples, size_t frames) {
  if (flac_) return FlacWritten(flac_->library->sf_writef_int(flac_->file, samples, static_cast<sf_count_t>(frames)), frames);
  // The top three bytes of each sample, low byte first.
  const size_t count = frames * static_cast<size_t>(channels_);
  std::vector<uint8_t> bytes(count * 3);
  for (size_t i = 0; i < count; ++i) std::memcpy(&bytes[i * 3], reinterpret_cast<const uint8_t*>(&samples[i]) + 1, 3);
  PutSamples(bytes.data(), bytes.size(), frames);
}

void AudioFileWriter::Write(const float* samples, size_t frames) {
  if (flac_) Fail(AudioFileError::Stage::Write, "FLAC holds no floating-point samples");
  PutSamples(samples, frames * static_cast<size_t>(channels_) * sizeof(float), frames);
}

void AudioFileWriter::Commit() {
  if (flac_) {
    flac_->library->sf_write_sync(flac_->file);
    const int closed = flac_->library->sf_close(flac_->file);
    flac_->file = nullptr;
    if (closed != 0) Fail(AudioFileError::Stage::Write, flac_->library->sf_error_number(closed));
    if (flac_->spool >= 0) CopySpool();
  } else if (format_ == AudioFileFormat::Wav) {
    FinishWave();
  }
  if (stream_) {
    const AtomicWriteResult result = stream_->Commit();
    if (!result.ok()) {
      Fail(result.status == AtomicWriteResult::Status::CannotCreate ? AudioFileError::Stage::Create
                                                                    : AudioFileError::Stage::Write,
           std::strerror(result.error));
    }
  }
}

// The pad byte of an odd-sized data chunk, and the header with the lengths
// where the output can be sought back to.
void AudioFileWriter::FinishWave() {
  if (dataBytes_ % 2 != 0) Put("", 1);
  if (start_ < 0) return;
  const std::vector<uint8_t> header = WaveHeader(layout_, dataBytes_, largestRiffData_);
  if (header.size() > headerBytes_) MoveData(header.size() - headerBytes_);
  if (!WriteAll(fd_, header.data(), header.size(), start_)) {
    Fail(AudioFileError::Stage::Write, std::strerror(errno != 0 ? errno : EIO));
  }
}

void AudioFileWriter::CopySpool() {
  std::vector<uint8_t> block(size_t{1} << 20);
  for (off_t at = 0;;) {
    const ssize_t got = pread(flac_->spool, block.data(), block.size(), at);
    if (got < 0) Fail(AudioFileError::Stage::Write, std::strerror(errno));
    if (got == 0) return;
    Put(block.data(), static_cast<size_t>(got));
    at += got;
  }
}

// Makes room for a longer header: the data and its pad move `by` bytes on,
// from the end backwards. Only a file past 4 GiB pays this, once.
void AudioFileWriter::MoveData(uint64_t by) {
  constexpr size_t kBlock = size_t{1} << 20;
  std::vector<uint8_t> block(kBlock);
  const auto first = static_cast<uint64_t>(start_) + headerBytes_;
  for (uint64_t end = first + dataBytes_ + dataBytes_ % 2; end > first;) {
    const size_t size = static_cast<size_t>(std::min<uint64_t>(kBlock, end - first));
    end -= size;
    const ssize_t got = pread(fd_, block.data(), size, static_cast<off_t>(end));
    if (got >= 0 && got != static_cast<ssize_t>(size)) errno = EIO;
    if (got != static_cast<ssize_t>(size) || !WriteAll(fd_, block.data(), size, static_cast<int64_t>(end + by))) {
      Fail(AudioFileError::Stage::Write, std::strerror(errno));
    }
  }
}

}  // namespace sondrel
