#pragma once
// Writes audio at a given rate (44100 frames a second unless told) as it
// comes, in one of three formats: WAV (WaveHeader.h: the plain PCM header up
// to 4 GiB, RF64 beyond), FLAC (lossless: decoding gives back the same
// samples) or raw little-endian samples without a header, as Save Tone As
// writes them. A file is written through an AtomicFileStream, as every save
// is: it takes the target's name only when Commit succeeds, so a failed or
// abandoned write leaves no file behind and an existing one untouched.
// Standard output takes the bytes as they come; a WAV header there tells of
// an unknown length unless the output can be sought back to.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/WaveHeader.h"

namespace sondrel {

class AtomicFileStream;

enum class AudioFileFormat { Wav, Flac, Raw };
// The samples' encoding: 16-bit (the default), 24-bit or 32-bit float.
// FLAC holds the two integer ones.
enum class AudioSampleEncoding { Pcm16, Pcm24, Float32 };

// By the name's extension, in any case (".wav", ".flac", ".pcm", ".raw");
// nothing for any other name.
std::optional<AudioFileFormat> AudioFileFormatFor(const std::string& path);
// By the format's own name: "wav", "flac" or "raw".
std::optional<AudioFileFormat> AudioFileFormatNamed(const std::string& name);

// What failed, with the reason in what(): the file could not be made, or its
// bytes could not all be written.
class AudioFileError : public std::runtime_error {
 public:
  enum class Stage { Create, Write };
  AudioFileError(Stage stage, const std::string& message) : std::runtime_error(message), stage_(stage) {}
  Stage WhatFailed() const { return stage_; }

 private:
  Stage stage_;
};

class AudioFileWriter {
 public:
  // Writes the file at path. Throws AudioFileError when it cannot be made.
  // A channel mask (the speakers of a surround layout) gives a WAV file the
  // extensible header; FLAC's channel order for 4, 6 and 8 channels is that
  // of their usual masks.
  AudioFileWriter(std::string path, AudioFileFormat format, int channels, int rate = kFramesPerSecond,
                  AudioSampleEncoding encoding = AudioSampleEncoding::Pcm16, uint32_t channelMask = 0);
  // Writes to an open descriptor (standard output), called `name` in errors.
  AudioFileWriter(int descriptor, std::string name, AudioFileFormat format, int channels, int rate,
                  AudioSampleEncoding encoding, uint32_t channelMask = 0);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // frames interleaved frames of `channels` samples. Throws AudioFileError.
  void Write(const int16_t* samples, size_t frames);
  // 24-bit samples in the top three bytes of each integer.
  void Write(const int32_t* samples, size_t frames);
  void Write(const float* samples, size_t frames);
  // Finishes the file and gives it its name. Throws AudioFileError.
  void Commit();

  // The WAV data that still takes a RIFF header; more takes RF64. Tests make
  // it small.
  void SetLargestRiffData(uint64_t bytes) { largestRiffData_ = bytes; }

  int Channels() const { return channels_; }
  uint64_t FramesWritten() const { return frames_; }

 private:
  struct Flac;  // the library's handle, kept out of this header
  void Open(AudioFileFormat format, int rate, AudioSampleEncoding encoding, uint32_t channelMask);
  void Put(const void* bytes, size_t size);
  // WAV or raw samples: `size` bytes that hold `frames` frames.
  void PutSamples(const void* bytes, size_t size, size_t frames);
  // Checks the frames the library says it wrote.
  void FlacWritten(int64_t written, size_t frames);
  [[noreturn]] void Fail(AudioFileError::Stage stage, const std::string& reason) const;
  void FinishWave();
  void MoveData(uint64_t by);
  void CopySpool();

  std::string name_;
  std::unique_ptr<AtomicFileStream> stream_;  // null when writing to a descriptor
  int fd_ = -1;
  AudioFileFormat format_ = AudioFileFormat::Raw;
  WaveLayout layout_;
  int channels_;
  uint64_t frames_ = 0;
  uint64_t dataBytes_ = 0;
  int64_t start_ = -1;  // where the output began; -1 when it cannot be sought back to
  size_t headerBytes_ = 0;
  uint64_t largestRiffData_ = 0;
  std::unique_ptr<Flac> flac_;
};

}  // namespace sondrel
