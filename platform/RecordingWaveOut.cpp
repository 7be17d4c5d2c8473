#include "platform/RecordingWaveOut.h"

#include <thread>

namespace sondrel {

namespace {
RecordingWaveOut::Call Simple(const char* operation, HWAVEOUT handle) {
  RecordingWaveOut::Call call;
  call.operation = operation;
  call.handle = handle;
  return call;
}
}  // namespace

uint32_t RecordingWaveOut::GetNumDevs() { return static_cast<uint32_t>(deviceNames.size()); }

int32_t RecordingWaveOut::GetDeviceRate(int32_t device) {
  const size_t index = device < 0 ? 0 : static_cast<size_t>(device);
  return index < deviceRates.size() ? deviceRates[index] : 0;
}

std::string RecordingWaveOut::GetDeviceName(uint32_t device) {
  return device < deviceNames.size() ? deviceNames[device] : std::string();
}

WaveResult RecordingWaveOut::Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) {
  Call call;
  call.operation = "Open";
  call.device = device;
  call.format = format;
  calls.push_back(call);
  if (!openFailure.empty()) return openFailure;
  *handle = openHandle_ = nextHandle_++;
  calls.back().handle = *handle;
  return {};
}

WaveResult RecordingWaveOut::PrepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  calls.push_back(Simple("PrepareHeader", handle));
  header->dwFlags.fetch_or(WHDR_PREPARED);
  return {};
}

WaveResult RecordingWaveOut::Write(HWAVEOUT handle, WAVEHDR* header) {
  Call call = Simple("Write", handle);
  call.loops = header->dwLoops;
  call.playLimit = header->playLimit;
  call.fadeFrames = header->fadeFrames;
  call.flags = header->dwFlags.load();
  // A buffer still being synthesized is recorded once it is complete.
  while (header->lpReady != nullptr && header->lpReady->load() < header->dwBufferLength) std::this_thread::yield();
  call.buffer.assign(header->lpData, header->lpData + header->dwBufferLength);
  calls.push_back(std::move(call));
  if (!writeFailure.empty()) return writeFailure;
  queued_ = header;
  if (finishAtOnce || header->dwLoops == 0 || header->dwBufferLength == 0) FinishPlaying();
  if (onWrite) onWrite();
  return {};
}

WaveResult RecordingWaveOut::Reset(HWAVEOUT handle) {
  calls.push_back(Simple("Reset", handle));
  FinishPlaying();
  return {};
}

WaveResult RecordingWaveOut::UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  calls.push_back(Simple("UnprepareHeader", handle));
  header->dwFlags.fetch_and(~WHDR_PREPARED);
  return {};
}

WaveResult RecordingWaveOut::Close(HWAVEOUT handle) {
  calls.push_back(Simple("Close", handle));
  if (handle == openHandle_) openHandle_ = 0;
  return {};
}

WaveResult RecordingWaveOut::DeviceLost(HWAVEOUT handle) {
  if (handle != openHandle_ || openHandle_ == 0) return "The sound device is not open";
  return lostReason;
}

void RecordingWaveOut::FinishPlaying() {
  if (queued_ != nullptr) queued_->dwFlags.fetch_or(WHDR_DONE);
  queued_ = nullptr;
}

std::vector<std::string> RecordingWaveOut::Operations() const {
  std::vector<std::string> names;
  for (const Call& call : calls) names.push_back(call.operation);
  return names;
}

const RecordingWaveOut::Call* RecordingWaveOut::LastCall(const std::string& operation) const {
  for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
    if (call->operation == operation) return &*call;
  }
  return nullptr;
}

}  // namespace sondrel
