#pragma once
// Waveform output over SDL2's audio subsystem. SDL's own audio thread plays
// the queued buffer straight from the caller's memory, repeating it by its
// loop count; the calling (GUI) thread only opens, queues, resets and closes.
//
// Device 0 is the desktop's default output, "Default output (<its name>)",
// which follows the desktop when the user switches outputs; the sound
// server's devices follow from 1 in SDL's order. When a device will not open
// while none is open, the audio subsystem is started afresh and the open
// tried once more, so a sound server that came up after Sondrel (or came
// back) is found without a restart. A closed device is released on a thread
// of its own: SDL waits for the sound server there, never on the GUI thread.

#include <map>
#include <memory>

#include "platform/BackgroundCloser.h"
#include "platform/WaveOut.h"

namespace sondrel {

class SdlWaveOut : public WaveOut {
 public:
  SdlWaveOut();
  ~SdlWaveOut() override;
  SdlWaveOut(const SdlWaveOut&) = delete;
  SdlWaveOut& operator=(const SdlWaveOut&) = delete;

  // Empty once the sound system has started, otherwise why it did not.
  const std::string& StartError() const { return initError_; }

  uint32_t GetNumDevs() override;
  std::string GetDeviceName(uint32_t device) override;
  int32_t GetDeviceRate(int32_t device) override;
  WaveResult Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) override;
  WaveResult PrepareHeader(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Write(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Reset(HWAVEOUT handle) override;
  WaveResult UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) override;
  WaveResult Close(HWAVEOUT handle) override;
  WaveResult DeviceLost(HWAVEOUT handle) override;

  struct Device;  // one open SDL device and its play position

 private:
  bool initialised_ = false;
  std::string initError_;
  HWAVEOUT nextHandle_ = 1;
  std::map<HWAVEOUT, std::unique_ptr<Device>> devices_;
  BackgroundCloser closer_;  // declared last, so it is gone before the devices' records

  Device* Find(HWAVEOUT handle);
  void StartAudio();
  // Opens the device of that name, nullptr for the default one.
  WaveResult OpenNamed(HWAVEOUT* handle, const std::string* name, const WAVEFORMATEX& format);
  int SdlDeviceCount() const;
};

}  // namespace sondrel
