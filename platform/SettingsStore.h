#pragma once
// The per-user settings store: a small text file under $XDG_CONFIG_HOME
// (~/.config by default) that keeps keys and typed values the way the
// program has always stored its options, for example
//
//   [Software\Kelvo]
//   AlwaysStereo=dword:00000001
//   LongBuffer=dword:00000000
//
// Other types read back as such ("sz:text", "hex:01,02,03"), so a value of
// the wrong type or size is told apart from a missing one. Every write
// replaces the file atomically. A key or value that stands twice is read and
// written at its first place; a file that exists but cannot be read is never
// written over.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sondrel {

struct StoredValue {
  enum class Type { Dword, String, Binary };
  Type type = Type::Dword;
  std::vector<uint8_t> data;  // a dword is 4 bytes, low byte first; a string ends in its NUL
};

class SettingsStore {
 public:
  explicit SettingsStore(std::string path);

  // $XDG_CONFIG_HOME/sondrel/settings, or ~/.config/sondrel/settings.
  static std::string DefaultPath();

  bool KeyExists(const std::string& key) const;
  std::optional<StoredValue> ReadValue(const std::string& key, const std::string& name) const;
  // 0 when the file could be read or does not exist yet, otherwise the
  // system's error number (a folder in its place, no permission to read).
  int ReadError() const { return Load().error; }
  // Creates the key when missing and sets the values, all in one write.
  // Returns 0, or the system's error number when the file cannot be read or
  // written; then the file is left as it was.
  int WriteDwords(const std::string& key, const std::vector<std::pair<std::string, uint32_t>>& values);

  const std::string& Path() const { return path_; }

  struct Entry {
    std::string name;
    std::string text;  // as stored: "dword:00000001"
    bool operator==(const Entry&) const = default;
  };
  struct Section {
    std::string key;
    std::vector<Entry> entries;
    bool operator==(const Section&) const = default;
  };
  // The file's text as sections, and back. Lines before the first key,
  // comments (";", "#"), blank lines and lines without "=" are skipped;
  // carriage returns at a line's end are line ends.
  static std::vector<Section> ParseText(const std::string& text);
  static std::string FormatText(const std::vector<Section>& sections);
  // A stored value's text ("dword:00000001"); nothing for one of no known type.
  static std::optional<StoredValue> ParseValue(const std::string& text);

 private:
  struct Contents {
    std::vector<Section> sections;
    int error = 0;  // as ReadError
  };
  Contents Load() const;
  static const Section* FindSection(const std::vector<Section>& sections, const std::string& key);

  std::string path_;
};

}  // namespace sondrel
