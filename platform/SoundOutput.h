#pragma once
// The program's waveform output: Sondrel's own stream to the sound server
// (PulseWaveOut, for PulseAudio and PipeWire alike) whenever a server
// answers, and SDL's audio subsystem where none runs (bare ALSA) or where
// SDL_AUDIODRIVER names a driver of SDL's other than PulseAudio (the tests
// record through SDL's disk driver). While no device is open and no server
// is connected, every open looks for a server again, so one that starts
// after Sondrel is used from then on.

#include <memory>
#include <string>

#include "platform/WaveOut.h"

namespace sondrel {

class PulseWaveOut;
class SdlWaveOut;

class SoundOutput : public WaveOut {
 public:
  SoundOutput();
  ~SoundOutput() override;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  // Empty while the sound system works, otherwise why there is no sound.
  std::string StartError();
  // The sound server's own path while it is chosen, otherwise null.
  PulseWaveOut* ServerPath() { return sdl_ == nullptr ? pulse_.get() : nullptr; }

  uint32_t GetNumDevs() override { return Current().GetNumDevs(); }
  std::string GetDeviceName(uint32_t device) override { return Current().GetDeviceName(device); }
  int32_t GetDeviceRate(int32_t device) override { return Current().GetDeviceRate(device); }
  std::vector<std::string> GetDevicePositions(int32_t device) override { return Current().GetDevicePositions(device); }
  WaveResult Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) override;
  WaveResult PrepareHeader(HWAVEOUT handle, WAVEHDR* header) override { return Current().PrepareHeader(handle, header); }
  WaveResult Write(HWAVEOUT handle, WAVEHDR* header) override { return Current().Write(handle, header); }
  WaveResult Reset(HWAVEOUT handle) override { return Current().Reset(handle); }
  WaveResult UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) override {
    return Current().UnprepareHeader(handle, header);
  }
  WaveResult Close(HWAVEOUT handle) override;
  WaveResult DeviceLost(HWAVEOUT handle) override { return Current().DeviceLost(handle); }

 private:
  WaveOut& Current();
  // Chooses the server's path when a server answers now.
  void LookForServer();

  bool serverOnly_ = false;  // SDL_AUDIODRIVER names PulseAudio: no fallback to ALSA
  std::unique_ptr<PulseWaveOut> pulse_;  // null when SDL_AUDIODRIVER names another driver
  std::unique_ptr<SdlWaveOut> sdl_;      // null while the server's path is chosen
  int openDevices_ = 0;
};

}  // namespace sondrel
