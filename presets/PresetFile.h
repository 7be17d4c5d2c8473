#pragma once
// The preset file: the four memories as 8-bit text, 11 lines a memory, every
// line ending in carriage return and line feed, nothing else:
//   name, initial frequency, final frequency, duration, amplitude (texts),
//   waveform (a decimal integer), Loop, Left, Right, InPhase, Logarithmic
//   (-1 for true, 0 for false; any other non-zero integer also reads as true).

#include <cstdint>
#include <string>
#include <vector>

#include "presets/MemoryRecord.h"

namespace sondrel {

// Reads the four memories from the file's bytes. A file shorter than 44 lines
// leaves the rest empty, 0 and false; lines after the 44th are ignored.
// Throws "Invalid numeric input" for an integer line that is not an integer.
MemoryBank ParsePresets(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FormatPresets(const MemoryBank& memories);

// Reads and parses the whole file before anything is returned, so a failed
// load has nothing half-done to undo. Throws AppError ("File not found",
// "Invalid numeric input", ...).
MemoryBank LoadPresets(const std::string& path);
// Replaces the file atomically: a failure leaves the old file as it was.
void SavePresets(const std::string& path, const MemoryBank& memories);

}  // namespace sondrel
