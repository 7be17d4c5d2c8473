#include "platform/AudioFileWriter.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/AtomicFile.h"

namespace sondrel {

namespace {

constexpr int kFramesPerSecond = 44100;

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

int LibraryFormat(AudioFileFormat format) {
  switch (format) {
    case AudioFileFormat::Wav:
      return SF_FORMAT_RF64 | SF_FORMAT_PCM_16;  // written as plain WAV while it fits, see below
    case AudioFileFormat::Flac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case AudioFileFormat::Raw:
      return SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
  }
  return 0;
}

}  // namespace

struct AudioFileWriter::Sound {
  SNDFILE* file = nullptr;
};

std::optional<AudioFileFormat> AudioFileFormatFor(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == "wav") return AudioFileFormat::Wav;
  if (extension == "flac") return AudioFileFormat::Flac;
  if (extension == "pcm" || extension == "raw") return AudioFileFormat::Raw;
  return std::nullopt;
}

AudioFileWriter::AudioFileWriter(std::string path, AudioFileFormat format, int channels)
    : path_(std::move(path)), channels_(channels), sound_(std::make_unique<Sound>()) {
  temporary_ = TemporaryNameBeside(path_);
  const int fd = mkstemp(temporary_.data());
  if (fd < 0) {
    const int error = errno;
    temporary_.clear();
    throw std::runtime_error(path_ + ": " + std::strerror(error));
  }
  fchmod(fd, static_cast<mode_t>(NewFileMode(path_)));

  SF_INFO info{};
  info.samplerate = kFramesPerSecond;
  info.channels = channels;
  info.format = LibraryFormat(format);
  sound_->file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (sound_->file == nullptr) {
    const std::string reason = sf_strerror(nullptr);
    close(fd);
    unlink(temporary_.c_str());
    temporary_.clear();
    throw std::runtime_error(path_ + ": " + reason);
  }
  if (format == AudioFileFormat::Wav) {
    // RF64 only when the data outgrows the 4 GiB of a RIFF header.
    sf_command(sound_->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  }
}

AudioFileWriter::~AudioFileWriter() {
  if (sound_->file != nullptr) sf_close(sound_->file);
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

void AudioFileWriter::Write(const int16_t* samples, size_t frames) {
  const auto count = static_cast<sf_count_t>(frames);
  if (sf_writef_short(sound_->file, samples, count) != count) {
    throw std::runtime_error(path_ + ": " + sf_strerror(sound_->file));
  }
  frames_ += frames;
}

void AudioFileWriter::Commit() {
  sf_write_sync(sound_->file);
  const int closed = sf_close(sound_->file);
  sound_->file = nullptr;
  if (closed != 0) throw std::runtime_error(path_ + ": " + sf_error_number(closed));
  if (rename(temporary_.c_str(), path_.c_str()) != 0) throw std::runtime_error(path_ + ": " + std::strerror(errno));
  temporary_.clear();
}

}  // namespace sondrel
