#pragma once
// The two compatibility options as they are stored between runs, read by the
// rules the settings window has always followed. Free of Qt, so that a render
// from the command line reads them too.

#include <string>

namespace sondrel {

inline constexpr const char* kSettingsKey = "Software\\Kelvo";

struct StoredOptions {
  bool alwaysStereo = false;
  bool longBuffer = false;
  // Empty, or the error the settings window reports at start. The options
  // read before the error keep their values; the others are off.
  std::string error;
};

// No key: both off. A key without LongBuffer: both off. Otherwise each value
// must be a dword of at most four bytes ("Failed to get data for '%s'",
// "Invalid data type for '%s'"); any non-zero value is on.
StoredOptions LoadStoredOptions(const std::string& storePath);

// What is reported for a settings file that exists but cannot be read (the
// system's error number); such a file is never written over.
std::string UnreadableSettingsText(const std::string& storePath, int error);

}  // namespace sondrel
