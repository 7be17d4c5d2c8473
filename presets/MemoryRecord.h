#pragma once
// One named sweep memory: copies of the sweep controls' texts, the chosen
// waveform and five switches. Texts are kept exactly as typed, numbers or not.

#include <array>
#include <cstdint>
#include <string>

namespace sondrel {

struct MemoryRecord {
  std::string Name;
  std::string fInit;      // sweep start frequency text, Hz
  std::string fFinal;     // sweep end frequency text, Hz
  std::string Duration;   // seconds text
  std::string Amplitude;  // decibels text
  int32_t WaveForm = 0;   // 0 sine, 1 square, 2 triangle; any other value selects nothing
  bool Loop = false;
  bool Left = false;
  bool Right = false;
  bool InPhase = false;
  bool Logarithmic = false;

  bool operator==(const MemoryRecord&) const = default;
};

// The four memories, numbered 1 to 4.
class MemoryBank {
 public:
  static constexpr int kSlots = 4;
  MemoryRecord& operator[](int slot) { return slots_.at(static_cast<size_t>(slot - 1)); }
  const MemoryRecord& operator[](int slot) const { return slots_.at(static_cast<size_t>(slot - 1)); }
  bool operator==(const MemoryBank&) const = default;

 private:
  std::array<MemoryRecord, kSlots> slots_;
};

}  // namespace sondrel
