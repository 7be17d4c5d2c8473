#include "presets/PresetFile.h"

#include "engine/AppError.h"
#include "platform/AtomicFile.h"
#include "platform/TextReader.h"

namespace sondrel {

namespace {
constexpr const char* kInvalidNumber = "Invalid numeric input";

int32_t Integer(TextReader& reader) {
  const std::optional<int32_t> value = reader.ReadInteger();
  if (!value) throw AppError(kInvalidNumber);
  return *value;
}
}  // namespace

MemoryBank ParsePresets(const std::vector<uint8_t>& bytes) {
  TextReader reader(bytes);
  MemoryBank memories;
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    MemoryRecord& memory = memories[slot];
    memory.Name = reader.ReadLine();
    memory.fInit = reader.ReadLine();
    memory.fFinal = reader.ReadLine();
    memory.Duration = reader.ReadLine();
    memory.Amplitude = reader.ReadLine();
    memory.WaveForm = Integer(reader);
    for (bool* flag : {&memory.Loop, &memory.Left, &memory.Right, &memory.InPhase, &memory.Logarithmic}) {
      *flag = Integer(reader) != 0;
    }
  }
  return memories;
}

std::vector<uint8_t> FormatPresets(const MemoryBank& memories) {
  std::string text;
  auto line = [&text](const std::string& content) { text += content + "\r\n"; };
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    const MemoryRecord& memory = memories[slot];
    line(memory.Name);
    line(memory.fInit);
    line(memory.fFinal);
    line(memory.Duration);
    line(memory.Amplitude);
    line(std::to_string(memory.WaveForm));
    for (bool flag : {memory.Loop, memory.Left, memory.Right, memory.InPhase, memory.Logarithmic}) {
      line(flag ? "-1" : "0");
    }
  }
  return {text.begin(), text.end()};
}

MemoryBank LoadPresets(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path, &bytes); error != 0) throw FileError(error, path);
  return ParsePresets(bytes);
}

void SavePresets(const std::string& path, const MemoryBank& memories) {
  const std::vector<uint8_t> bytes = FormatPresets(memories);
  const AtomicWriteResult result = WriteFileAtomically(path, {{bytes.data(), bytes.size()}});
  if (!result.ok()) throw FileError(result.error, path);
}

}  // namespace sondrel
