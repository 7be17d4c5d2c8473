// Feeds arbitrary text to the settings reader: every section and value it
// finds must survive being written and read again unchanged, and every value
// text must parse without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using sondrel::SettingsStore;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto sections = SettingsStore::ParseText(text);
  if (SettingsStore::ParseText(SettingsStore::FormatText(sections)) != sections) std::abort();
  for (const SettingsStore::Section& section : sections) {
    for (const SettingsStore::Entry& entry : section.entries) {
      const auto value = SettingsStore::ParseValue(entry.text);
      // A dword is always four bytes, a string always ends in its NUL.
      if (value && value->type == sondrel::StoredValue::Type::Dword && value->data.size() != 4) std::abort();
      if (value && value->type == sondrel::StoredValue::Type::String && value->data.back() != 0) std::abort();
    }
  }
  return 0;
}
