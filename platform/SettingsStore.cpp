#include "platform/SettingsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/TextReader.h"

namespace sondrel {

std::optional<StoredValue> SettingsStore::ParseValue(const std::string& text) {
  const size_t colon = text.find(':');
  const std::string type = colon == std::string::npos ? std::string() : text.substr(0, colon);
  const std::string data = colon == std::string::npos ? text : text.substr(colon + 1);
  StoredValue value;
  if (type == "dword") {
    char* end = nullptr;
    const unsigned long number = std::strtoul(data.c_str(), &end, 16);
    if (data.empty() || data.size() > 8 || *end != '\0') return std::nullopt;
    value.type = StoredValue::Type::Dword;
    for (int byte = 0; byte < 4; ++byte) value.data.push_back(static_cast<uint8_t>(number >> (8 * byte)));
  } else if (type == "sz") {
    value.type = StoredValue::Type::String;
    value.data.assign(data.begin(), data.end());
    value.data.push_back(0);
  } else if (type == "hex") {
    value.type = StoredValue::Type::Binary;
    std::istringstream bytes(data);
    std::string byte;
    while (std::getline(bytes, byte, ',')) {
      if (!byte.empty()) value.data.push_back(static_cast<uint8_t>(std::strtoul(byte.c_str(), nullptr, 16)));
    }
  } else {
    return std::nullopt;  // not a value this store writes: as good as missing
  }
  return value;
}

namespace {

std::string DwordText(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "dword:%08x", value);
  return text;
}

}  // namespace

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

std::string SettingsStore::DefaultPath() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path folder;
  if (configHome != nullptr && configHome[0] == '/') {
    folder = configHome;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::filesystem::path(home != nullptr ? home : "") / ".config";
  }
  return (folder / "sondrel" / "settings").string();
}

SettingsStore::Contents SettingsStore::Load() const {
  Contents contents;
  std::vector<uint8_t> bytes;
  if (const int error = ReadWholeFile(path_, &bytes); error != 0) {
    if (error != ENOENT && error != ENOTDIR) contents.error = error;  // else: no file yet
    return contents;
  }
  contents.sections = ParseText(std::string(bytes.begin(), bytes.end()));
  return contents;
}

std::vector<SettingsStore::Section> SettingsStore::ParseText(const std::string& text) {
  std::vector<Section> sections;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
    } else if (const size_t equals = line.find('='); equals != std::string::npos && !sections.empty()) {
      sections.back().entries.push_back({line.substr(0, equals), line.substr(equals + 1)});
    }
  }
  return sections;
}

std::string SettingsStore::FormatText(const std::vector<Section>& sections) {
  std::string text = "; Sondrel's settings\n";
  for (const Section& section : sections) {
    text += "[" + section.key + "]\n";
    for (const Entry& entry : section.entries) text += entry.name + "=" + entry.text + "\n";
  }
  return text;
}

const SettingsStore::Section* SettingsStore::FindSection(const std::vector<Section>& sections,
                                                         const std::string& key) {
  for (const Section& section : sections) {
    if (section.key == key) return &section;
  }
  return nullptr;
}

bool SettingsStore::KeyExists(const std::string& key) const { return FindSection(Load().sections, key) != nullptr; }

std::optional<StoredValue> SettingsStore::ReadValue(const std::string& key, const std::string& name) const {
  const Contents contents = Load();
  const Section* section = FindSection(contents.sections, key);
  if (section == nullptr) return std::nullopt;
  for (const Entry& entry : section->entries) {
    if (entry.name == name) return ParseValue(entry.text);
  }
  return std::nullopt;
}

int SettingsStore::WriteDwords(const std::string& key, const std::vector<std::pair<std::string, uint32_t>>& values) {
  Contents contents = Load();
  if (contents.error != 0) return contents.error;
  std::vector<Section>& sections = contents.sections;
  auto* target = const_cast<Section*>(FindSection(sections, key));
  if (target == nullptr) target = &sections.emplace_back(Section{key, {}});
  for (const auto& [name, value] : values) {
    Entry* entry = nullptr;
    for (Entry& existing : target->entries) {
      if (existing.name == name) {
        entry = &existing;
        break;
      }
    }
    if (entry == nullptr) entry = &target->entries.emplace_back(Entry{name, {}});
    entry->text = DwordText(value);
  }

  const std::string text = FormatText(sections);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
  if (error) return error.value();
  const AtomicWriteResult result =
      WriteFileAtomically(path_, {{reinterpret_cast<const uint8_t*>(text.data()), text.size()}});
  return result.ok() ? 0 : result.error;
}

}  // namespace sondrel
