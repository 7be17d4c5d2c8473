#pragma once
// Writes 16-bit audio at a given rate (44100 frames a second unless told)
// into a file as it comes, in
// the format its name asks for: ".wav" (RIFF/WAVE, RF64 once it passes
// 4 GiB), ".flac" (lossless: decoding gives back the same samples), ".pcm" or
// ".raw" (little-endian samples without a header, as Save Tone As writes
// them). The file is written through an AtomicFileStream, as every save is:
// it takes the target's name only when Commit succeeds, so a failed or
// abandoned write leaves no file behind and an existing one untouched.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sondrel {

class AtomicFileStream;

enum class AudioFileFormat { Wav, Flac, Raw };
// The samples' encoding: 16-bit (the default), 24-bit or 32-bit float.
// FLAC holds the two integer ones.
enum class AudioSampleEncoding { Pcm16, Pcm24, Float32 };

// By the name's extension, in any case; nothing for any other name.
std::optional<AudioFileFormat> AudioFileFormatFor(const std::string& path);

class AudioFileWriter {
 public:
  // Throws std::runtime_error with the reason when the file cannot be made.
  AudioFileWriter(std::string path, AudioFileFormat format, int channels, int rate = 44100,
                  AudioSampleEncoding encoding = AudioSampleEncoding::Pcm16);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // frames interleaved frames of `channels` samples. Throws std::runtime_error.
  void Write(const int16_t* samples, size_t frames);
  // 24-bit samples in the top three bytes of each integer.
  void Write(const int32_t* samples, size_t frames);
  void Write(const float* samples, size_t frames);
  // Finishes the file and gives it its name. Throws std::runtime_error.
  void Commit();

  int Channels() const { return channels_; }
  uint64_t FramesWritten() const { return frames_; }

 private:
  struct Sound;  // the library's handle, kept out of this header
  std::string path_;
  std::unique_ptr<AtomicFileStream> stream_;
  int channels_;
  uint64_t frames_ = 0;
  std::unique_ptr<Sound> sound_;
};

}  // namespace sondrel
