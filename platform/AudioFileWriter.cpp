#include "platform/AudioFileWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/AtomicFileStream.h"

namespace sondrel {

namespace {

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

int LibraryFormat(AudioFileFormat format, AudioSampleEncoding encoding) {
  const int subtype = encoding == AudioSampleEncoding::Pcm24     ? SF_FORMAT_PCM_24
                      : encoding == AudioSampleEncoding::Float32 ? SF_FORMAT_FLOAT
                                                                 : SF_FORMAT_PCM_16;
  switch (format) {
    case AudioFileFormat::Wav:
      return SF_FORMAT_RF64 | subtype;  // written as plain WAV while it fits, see below
    case AudioFileFormat::Flac:
      return SF_FORMAT_FLAC | subtype;
    case AudioFileFormat::Raw:
      return SF_FORMAT_RAW | subtype | SF_ENDIAN_LITTLE;
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

AudioFileWriter::AudioFileWriter(std::string path, AudioFileFormat format, int channels, int rate,
                                 AudioSampleEncoding encoding)
    : path_(std::move(path)), channels_(channels), sound_(std::make_unique<Sound>()) {
  stream_ = std::make_unique<AtomicFileStream>(path_);
  if (!stream_->Opened().ok()) throw std::runtime_error(path_ + ": " + std::strerror(stream_->Opened().error));

  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = LibraryFormat(format, encoding);
  sound_->file = sf_open_fd(stream_->Descriptor(), SFM_WRITE, &info, SF_FALSE);
  if (sound_->file == nullptr) throw std::runtime_error(path_ + ": " + sf_strerror(nullptr));
  if (format == AudioFileFormat::Wav) {
    // RF64 only when the data outgrows the 4 GiB of a RIFF header.
    sf_command(sound_->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  }
}

// Abandoned: the stream removes its temporary file.
AudioFileWriter::~AudioFileWriter() {
  if (sound_->file != nullptr) sf_close(sound_->file);
}

void AudioFileWriter::Write(const int16_t* samples, size_t frames) {
  const auto count = static_cast<sf_count_t>(frames);
  if (sf_writef_short(sound_->file, samples, count) != count) {
    throw std::runtime_error(path_ + ": " + sf_strerror(sound_->file));
  }
  frames_ += frames;
}

void AudioFileWriter::Write(const int32_t* samples, size_t frames) {
  const auto count = static_cast<sf_count_t>(frames);
  if (sf_writef_int(sound_->file, samples, count) != count) {
    throw std::runtime_error(path_ + ": " + sf_strerror(sound_->file));
  }
  frames_ += frames;
}

void AudioFileWriter::Write(const float* samples, size_t frames) {
  const auto count = static_cast<sf_count_t>(frames);
  if (sf_writef_float(sound_->file, samples, count) != count) {
    throw std::runtime_error(path_ + ": " + sf_strerror(sound_->file));
  }
  frames_ += frames;
}

void AudioFileWriter::Commit() {
  sf_write_sync(sound_->file);
  const int closed = sf_close(sound_->file);
  sound_->file = nullptr;
  if (closed != 0) throw std::runtime_error(path_ + ": " + sf_error_number(closed));
  const AtomicWriteResult result = stream_->Commit();
  if (!result.ok()) throw std::runtime_error(path_ + ": " + std::strerror(result.error));
}

}  // namespace sondrel
