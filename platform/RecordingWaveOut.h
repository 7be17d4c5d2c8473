#pragma once
// A waveform output for tests: it plays nothing, records every call with its
// arguments, and lets the test decide when the queued buffer is done and
// which calls fail.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/WaveOut.h"

namespace sondrel {

class RecordingWaveOut : public WaveOut {
 public:
  struct Call {
    std::string operation;  // "Open", "PrepareHeader", "Write", "Reset", "UnprepareHeader", "Close"
    HWAVEOUT handle = 0;
    int32_t device = 0;                // Open only
    WAVEFORMATEX format;                 // Open only
    uint32_t loops = 0;                // Write only
    uint64_t playLimit = 0;            // Write only: bytes, 0 for whole passes
    uint32_t fadeFrames = 0;           // Write only
    uint32_t flags = 0;                // Write only: dwFlags as handed over
    std::vector<uint8_t> buffer;       // Write only: a copy of the queued bytes
  };

  std::vector<std::string> deviceNames;
  std::vector<int32_t> deviceRates;  // by device number; missing ones are unknown (0)
  std::vector<Call> calls;
  std::string openFailure;   // when not empty, Open fails with this reason
  std::string writeFailure;  // when not empty, Write fails with this reason
  std::string lostReason;    // when not empty, the open device is gone for this reason
  bool finishAtOnce = false;  // every queued buffer is done as soon as it is written
  std::function<void()> onWrite;  // runs after each successful Write

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

  // Plays the queued buffer to its end: sets WHDR_DONE as the device would.
  void FinishPlaying();
  bool IsOpen() const { return openHandle_ != 0; }
  const WAVEHDR* QueuedHeader() const { return queued_; }
  // The operation names in order, e.g. {"Open", "PrepareHeader", "Write"}.
  std::vector<std::string> Operations() const;
  const Call* LastCall(const std::string& operation) const;

 private:
  HWAVEOUT openHandle_ = 0;
  HWAVEOUT nextHandle_ = 100;
  WAVEHDR* queued_ = nullptr;
};

}  // namespace sondrel
