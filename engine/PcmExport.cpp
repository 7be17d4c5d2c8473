#include "engine/PcmExport.h"

#include "engine/AppError.h"
#include "platform/AtomicFile.h"
#include "platform/AudioFileWriter.h"

namespace sondrel {

void WritePcmFile(const std::string& path, const PcmBuffer& samples) {
  const AtomicWriteResult result = WriteFileAtomically(path, {{samples.Data(), samples.Size()}});
  switch (result.status) {
    case AtomicWriteResult::Status::Ok:
      return;
    case AtomicWriteResult::Status::CannotCreate:
      throw AppError("Cannot create file " + path);
    case AtomicWriteResult::Status::WriteFailed:
      throw AppError("Stream write error");
  }
}

void WriteWaveFile(const std::string& path, const PcmBuffer& samples, int channels, int32_t rate) {
  try {
    AudioFileWriter writer(path, AudioFileFormat::Wav, channels, rate);
    writer.Write(reinterpret_cast<const int16_t*>(samples.Data()), samples.Size() / (2 * static_cast<size_t>(channels)));
    writer.Commit();
  } catch (const AudioFileError& error) {
    if (error.WhatFailed() == AudioFileError::Stage::Create) throw AppError("Cannot create file " + path);
    throw AppError("Stream write error");
  }
}

}  // namespace sondrel
