#pragma once
// The waveform audio output that the tone engine plays through: one device
// at a time, one queued buffer that the device repeats by its loop count
// without a gap, a done flag when it has finished, and a reset that ends the
// output at once. Records and flag values keep the classic waveform-audio
// layout so that the engine can fill them field by field.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Flags of WAVEHDR::dwFlags.
constexpr uint32_t WHDR_DONE = 1;       // set by the device when it has finished with the buffer
constexpr uint32_t WHDR_PREPARED = 2;   // set by PrepareHeader, cleared by UnprepareHeader
constexpr uint32_t WHDR_BEGINLOOP = 4;  // the buffer begins a loop block
constexpr uint32_t WHDR_ENDLOOP = 8;    // the buffer ends a loop block

// The "default device" number: opens whatever the sound server prefers.
constexpr int32_t WAVE_MAPPER = -1;
// The first entry of a sound system's device list, which opens the default
// device; its name is followed by that of the device it stands for.
inline constexpr const char* kDefaultOutputName = "Default output";
// The reason a start gives when the sound server has no output at all.
inline constexpr const char* kNoOutputDevice = "There is no sound output device: the sound server offers none";

struct WAVEFORMATEX {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;   // frames per second
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;      // bytes per frame
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;
};

struct WAVEHDR {
  const uint8_t* lpData = nullptr;
  uint32_t dwBufferLength = 0;   // bytes
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  // Written by the audio thread (WHDR_DONE) and read by the GUI thread.
  std::atomic<uint32_t> dwFlags{0};
  uint32_t dwLoops = 0;          // how many times the buffer plays
  WAVEHDR* lpNext = nullptr;
  uintptr_t reserved = 0;
  // When set, only the first *lpReady bytes may be played yet: the rest of
  // a long buffer is still being synthesized, far ahead of the playback.
  const std::atomic<size_t>* lpReady = nullptr;
  // When not 0, the output ends after this many bytes, within a pass if
  // need be (noise plays its duration, not whole periods).
  uint64_t playLimit = 0;
  // When not 0, the play fades in over its first this many frames and out
  // over its last (PlayFade), and a Reset fades it out over as many frames
  // from where the listener is instead of cutting it off.
  uint32_t fadeFrames = 0;
};

// An opened device; 0 is never a valid handle.
using HWAVEOUT = uintptr_t;

// Result of an operation: empty when it succeeded, otherwise the reason in
// the words of the sound system.
using WaveResult = std::string;

class WaveOut {
 public:
  virtual ~WaveOut() = default;

  // Devices are numbered 0 .. GetNumDevs() - 1. The list may change between
  // two calls as devices come and go.
  virtual uint32_t GetNumDevs() = 0;
  // The device's full name as the sound server describes it.
  virtual std::string GetDeviceName(uint32_t device) = 0;
  // The frames per second the device itself runs at (a PipeWire graph's
  // 48000, say), so that a signal made at that rate is not resampled; 0 when
  // the sound system does not say. WAVE_MAPPER asks for the default device.
  virtual int32_t GetDeviceRate(int32_t device) {
    (void)device;
    return 0;
  }
  // The device's channels by position ("FL", "FR", "LFE", ..., or the sound
  // server's own name for another); empty when the sound system does not say.
  virtual std::vector<std::string> GetDevicePositions(int32_t device) {
    (void)device;
    return {};
  }

  // device is a number from the list, or WAVE_MAPPER for the default device.
  virtual WaveResult Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) = 0;
  virtual WaveResult PrepareHeader(HWAVEOUT handle, WAVEHDR* header) = 0;
  // Plays header->dwLoops times the header->dwBufferLength bytes at
  // header->lpData (no more than header->playLimit bytes when it is set),
  // then sets WHDR_DONE. A loop count of 0 or an empty buffer plays nothing
  // and is done at once.
  virtual WaveResult Write(HWAVEOUT handle, WAVEHDR* header) = 0;
  // Stops the output at once and marks the queued buffer done. With
  // fadeFrames the sound falls to silence over those frames first, on the
  // device's own time: the buffer is free again when Reset returns.
  virtual WaveResult Reset(HWAVEOUT handle) = 0;
  virtual WaveResult UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) = 0;
  virtual WaveResult Close(HWAVEOUT handle) = 0;
  // Empty while the open device works; once it is gone (unplugged, removed
  // by the sound server, the server stopped) the reason, in words for the
  // user. A lost device plays nothing and never marks its buffer done.
  virtual WaveResult DeviceLost(HWAVEOUT handle) = 0;
};

}  // namespace sondrel
