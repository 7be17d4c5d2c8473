#pragma once
// The two compatibility options as they are stored between runs, read by the
// rules the settings window has always followed, and the sample rate stored
// beside them. Free of Qt, so that a render from the command line reads them
// too.

#include <array>
#include <cstdint>
#include <string>

namespace sondrel {

inline constexpr const char* kSettingsKey = "Software\\Kelvo";
inline constexpr const char* kSampleRateValue = "SampleRate";

// The rates the settings window offers, the first the default; kDeviceRate
// (stored as 0) follows the output device's own rate.
inline constexpr std::array<int32_t, 4> kSampleRates = {44100, 48000, 88200, 96000};
inline constexpr int32_t kDeviceRate = 0;

struct StoredOptions {
  bool alwaysStereo = false;
  bool longBuffer = false;
  int32_t sampleRate = kSampleRates[0];  // one of kSampleRates, or kDeviceRate
  // Empty, or the error the settings window reports at start. The options
  // read before the error keep their values; the others are off.
  std::string error;
};

// No key: both off. A key without LongBuffer: both off. Otherwise each value
// must be a dword of at most four bytes ("Failed to get data for '%s'",
// "Invalid data type for '%s'"); any non-zero value is on. The sample rate
// is a dword holding one of kSampleRates or 0; missing, of another type or
// another number, it is 44100.
StoredOptions LoadStoredOptions(const std::string& storePath);

// What is reported for a settings file that exists but cannot be read (the
// system's error number); such a file is never written over.
std::string UnreadableSettingsText(const std::string& storePath, int error);

}  // namespace sondrel
