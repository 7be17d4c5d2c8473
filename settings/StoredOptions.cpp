#include "settings/StoredOptions.h"

#include <optional>
#include <utility>
#include <vector>

#include "engine/AppError.h"
#include "engine/Synthesis.h"
#include "platform/SettingsStore.h"
#include "platform/TextReader.h"

namespace sondrel {

namespace {

constexpr const char* kSettingsKey = "Software\\Kelvo";
constexpr const char* kAlwaysStereoValue = "AlwaysStereo";
constexpr const char* kLongBufferValue = "LongBuffer";
constexpr const char* kSampleRateValue = "SampleRate";
constexpr const char* kSpeakersValue = "Speakers";
constexpr const char* kFadeValue = "Fade";

bool ReadFlag(const SettingsStore& store, const char* name) {
  const std::optional<StoredValue> value = store.ReadValue(kSettingsKey, name);
  // Read into four bytes: a missing value or a longer one cannot be read at
  // all; one that fits but is no number has the wrong type.
  if (!value || value->data.size() > 4) throw AppError(std::string("Failed to get data for '") + name + "'");
  if (value->type != StoredValue::Type::Dword) throw AppError(std::string("Invalid data type for '") + name + "'");
  uint32_t number = 0;
  for (size_t byte = 0; byte < value->data.size(); ++byte) number |= uint32_t{value->data[byte]} << (8 * byte);
  return number != 0;
}

// A dword of at most four bytes; nothing for a missing value or another type.
std::optional<uint32_t> ReadNumber(const SettingsStore& store, const char* name) {
  const std::optional<StoredValue> value = store.ReadValue(kSettingsKey, name);
  if (!value || value->type != StoredValue::Type::Dword || value->data.size() > 4) return std::nullopt;
  uint32_t number = 0;
  for (size_t byte = 0; byte < value->data.size(); ++byte) number |= uint32_t{value->data[byte]} << (8 * byte);
  return number;
}

int32_t ReadSampleRate(const SettingsStore& store) {
  const std::optional<uint32_t> stored = ReadNumber(store, kSampleRateValue);
  if (!stored) return kSampleRates[0];
  const uint32_t number = *stored;
  if (number == kDeviceRate) return kDeviceRate;
  for (const int32_t rate : kSampleRates) {
    if (number == static_cast<uint32_t>(rate)) return rate;
  }
  return kSampleRates[0];
}

void ReadSpeakers(const SettingsStore& store, StoredOptions& options) {
  const std::optional<uint32_t> number = ReadNumber(store, kSpeakersValue);
  if (!number) return;
  if (*number == kDeviceLayout) {
    options.speakersFollowDevice = true;
  } else if (*number < SpeakerLayouts().size()) {
    options.speakers = static_cast<SpeakerLayoutId>(*number);
  }
}

int32_t ReadFade(const SettingsStore& store) {
  const std::optional<uint32_t> number = ReadNumber(store, kFadeValue);
  for (const int32_t fade : kFadeChoicesMs) {
    if (number == static_cast<uint32_t>(fade)) return fade;
  }
  return kFadeChoicesMs[0];
}

// What is reported for a settings file that exists but cannot be read (the
// system's error number); such a file is never written over.
std::string UnreadableSettingsText(const std::string& storePath, int error) {
  return "The settings file " + storePath + " could not be read (" + ReadErrorText(error) +
         "); it was left as it was";
}

}  // namespace

SignalOptions StoredOptions::ForSignals(int32_t deviceRate, const std::vector<std::string>& devicePositions) const {
  const int32_t rate = FollowsDevice() ? (deviceRate > 0 ? deviceRate : kFramesPerSecond) : sampleRate;
  const SpeakerLayoutId layout =
      speakersFollowDevice ? LayoutWithPositions(devicePositions).value_or(SpeakerLayoutId::Stereo) : speakers;
  return {alwaysStereo, longBuffer, rate, layout, fadeMs};
}

StoredOptions LoadStoredOptions(const std::string& storePath) {
  StoredOptions options;
  const SettingsStore store(storePath);
  try {
    if (const int error = store.ReadError(); error != 0) throw AppError(UnreadableSettingsText(storePath, error));
    if (!store.KeyExists(kSettingsKey)) return options;  // first start: both off
    options.sampleRate = ReadSampleRate(store);
    ReadSpeakers(store, options);
    options.fadeMs = ReadFade(store);
    if (!store.ReadValue(kSettingsKey, kLongBufferValue)) return options;
    options.alwaysStereo = ReadFlag(store, kAlwaysStereoValue);
    options.longBuffer = ReadFlag(store, kLongBufferValue);
  } catch (const AppError& error) {
    options.error = error.what();
  }
  return options;
}

void SaveStoredOptions(const std::string& storePath, const StoredOptions& options) {
  SettingsStore store(storePath);
  if (const int error = store.ReadError(); error != 0) throw AppError(UnreadableSettingsText(storePath, error));
  std::vector<std::pair<std::string, uint32_t>> values = {{kAlwaysStereoValue, options.alwaysStereo ? 1u : 0u},
                                                          {kLongBufferValue, options.longBuffer ? 1u : 0u}};
  if (options.sampleRate != kSampleRates[0] || store.ReadValue(kSettingsKey, kSampleRateValue)) {
    values.emplace_back(kSampleRateValue, static_cast<uint32_t>(options.sampleRate));
  }
  const uint32_t speakers = options.speakersFollowDevice ? kDeviceLayout : static_cast<uint32_t>(options.speakers);
  if (speakers != 0 || store.ReadValue(kSettingsKey, kSpeakersValue)) values.emplace_back(kSpeakersValue, speakers);
  if (options.fadeMs != kFadeChoicesMs[0] || store.ReadValue(kSettingsKey, kFadeValue)) {
    values.emplace_back(kFadeValue, static_cast<uint32_t>(options.fadeMs));
  }
  if (store.WriteDwords(kSettingsKey, values) != 0) throw AppError("Failed to set data for 'AlwaysStereo'");
}

}  // namespace sondrel
