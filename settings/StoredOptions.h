#pragma once
// The options stored between runs: the two compatibility options, the
// sample rate, the speaker layout and the fade. Read and written here alone, by the rules the settings window
// has always followed (every value name is spelled once, in the .cpp), and
// turned here into what a signal is made with, for the window, --render and
// --play alike. Free of Qt, so that the terminal reads them too.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PanelState.h"

namespace sondrel {

// The rates the settings window offers, the first the default; kDeviceRate
// (stored as 0) follows the output device's own rate.
inline constexpr std::array<int32_t, 4> kSampleRates = {kFramesPerSecond, 48000, 88200, 96000};
inline constexpr int32_t kDeviceRate = 0;
inline constexpr uint32_t kDeviceLayout = 0xFF;  // the stored speakers that follow the device

struct StoredOptions {
  bool alwaysStereo = false;
  bool longBuffer = false;
  int32_t sampleRate = kSampleRates[0];  // one of kSampleRates, or kDeviceRate
  // Empty, or the error the settings window reports at start. The options
  // read before the error keep their values; the others are off.
  std::string error;
  SpeakerLayoutId speakers = SpeakerLayoutId::Stereo;
  bool speakersFollowDevice = false;  // "The output device's layout", when it is one of them
  int32_t fadeMs = kFadeChoicesMs[0];  // each play's fade in and out, one of kFadeChoicesMs

  bool FollowsDevice() const { return sampleRate == kDeviceRate; }
  // What every signal is made with: the chosen rate, or, following the
  // device, `deviceRate` (0 when the sound system does not say: 44100); the
  // chosen layout, or the one the device's positions form (Stereo when they
  // form none, or when there is no device to ask).
  SignalOptions ForSignals(int32_t deviceRate, const std::vector<std::string>& devicePositions = {}) const;
};

// No key: both off. A key without LongBuffer: both off. Otherwise each value
// must be a dword of at most four bytes ("Failed to get data for '%s'",
// "Invalid data type for '%s'"); any non-zero value is on. The sample rate
// is a dword holding one of kSampleRates or 0; missing, of another type or
// another number, it is 44100. The speakers are a dword holding a layout's
// number (0 Stereo, 1 2.1, 2 Quad, 3 5.1, 4 7.1) or kDeviceLayout; missing,
// of another type or another number, Stereo. The fade is a dword holding one
// of kFadeChoicesMs; otherwise none.
StoredOptions LoadStoredOptions(const std::string& storePath);

// Writes the options (their error aside). The rate is written once it differs
// from 44100 or was stored before, the speakers once they differ from Stereo
// or were stored before, the fade likewise once it is not 0: the file of a
// user who never chose stays as it always was. Throws AppError when the file could not be read
// (it is left alone) or written ("Failed to set data for 'AlwaysStereo'").
void SaveStoredOptions(const std::string& storePath, const StoredOptions& options);

}  // namespace sondrel
