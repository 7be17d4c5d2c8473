#include "platform/SoundOutput.h"

#include <cstdlib>

#include "platform/PulseWaveOut.h"
#include "platform/SdlWaveOut.h"

namespace sondrel {

SoundOutput::SoundOutput() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  const std::string named = driver != nullptr ? driver : "";
  serverOnly_ = named.find("pulse") != std::string::npos;
  if (named.empty() || serverOnly_) pulse_ = std::make_unique<PulseWaveOut>();
  if (pulse_ == nullptr || (!pulse_->Connected() && !serverOnly_)) sdl_ = std::make_unique<SdlWaveOut>();
}

SoundOutput::~SoundOutput() = default;

WaveOut& SoundOutput::Current() {
  if (sdl_ != nullptr) return *sdl_;
  return *pulse_;
}

void SoundOutput::LookForServer() {
  if (pulse_ == nullptr || sdl_ == nullptr || openDevices_ > 0) return;
  if (pulse_->Connect()) sdl_.reset();
}

std::string SoundOutput::StartError() {
  if (sdl_ != nullptr) return sdl_->StartError();
  return pulse_->StartError();
}

WaveResult SoundOutput::Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) {
  LookForServer();
  WaveResult result = Current().Open(handle, device, format);
  if (result.empty()) ++openDevices_;
  return result;
}

WaveResult SoundOutput::Close(HWAVEOUT handle) {
  WaveResult result = Current().Close(handle);
  if (result.empty() && openDevices_ > 0) --openDevices_;
  return result;
}

}  // namespace sondrel
