#include "platform/SdlWaveOut.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "platform/PlayFade.h"
#include "platform/PulseServerProbe.h"
#include "platform/SdlLibrary.h"

namespace sondrel {

namespace {
// Frames SDL asks for per callback: about 12 ms at 44100 Hz, short enough
// that a stop or a one-shot tone's end is not noticeably late.
constexpr Uint16 kFramesPerCallback = 512;
// A closing device waits for a stop's fade-out (at most 100 ms of sound,
// taken a callback at a time) this long at most: kTailLooks looks apart.
constexpr int kTailLookMs = 5;
constexpr int kTailLooks = 200;

// Whether SDL may pick its PulseAudio back end: no driver is named, or that one.
bool MayUsePulseAudio() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  return driver == nullptr || driver[0] == '\0' || std::string(driver).find("pulse") != std::string::npos;
}

std::string SdlReason(const char* what) {
  std::string reason = Sdl().GetError();
  return reason.empty() ? std::string(what) : std::string(what) + ": " + reason;
}
}  // namespace

// Everything below `header` is shared with SDL's audio thread and only
// touched while the device is locked (or from inside the callback).
struct SdlWaveOut::Device {
  SDL_AudioDeviceID id = 0;
  std::string name;  // as listed; empty for the default output
  size_t frameBytes = 0;
  WAVEHDR* header = nullptr;  // the queued buffer, nullptr when none plays
  uint32_t offset = 0;           // next byte of the buffer to hand out
  uint32_t loopsLeft = 0;        // whole passes still to play, counting the current one
  uint64_t bytesLeft = 0;        // with a play limit: bytes still to play; otherwise unused
  bool lastFramesSent = false;   // the final pass has been handed to SDL
  PlayFade fade;                 // the play's fades
  uint64_t position = 0;         // play frames handed out
  std::vector<int16_t> tail;     // a stop's fade-out, still to hand out
  size_t tailSent = 0;           // ...of which this many samples are out
  std::vector<int16_t> faded;    // room for frames in a fade

  static void SDLCALL Feed(void* userdata, Uint8* stream, int length);
  // Copies `count` bytes of the buffer from `offset` on, faded where the play fades.
  void HandOut(Uint8* stream, size_t count);
  bool TailSounding() const { return tailSent < tail.size(); }
};

void SdlWaveOut::Device::HandOut(Uint8* stream, size_t count) {
  const size_t frames = count / frameBytes;
  if (!fade.Touches(position, frames)) {
    std::memcpy(stream, header->lpData + offset, count);
  } else {
    faded.resize(count / 2);
    std::memcpy(faded.data(), header->lpData + offset, count);
    fade.Apply(faded.data(), frames, frameBytes / 2, position);
    std::memcpy(stream, faded.data(), count);
  }
  position += frames;
}

// SDL's audio thread. Copies the buffer into SDL's chunk, pass after pass
// without a gap, and pads with silence once the loop count is used up. The
// done flag is set one callback after the last frame went out, so by then
// SDL has taken that frame on towards the device. A stop's fade-out goes
// before anything else.
void SDLCALL SdlWaveOut::Device::Feed(void* userdata, Uint8* stream, int length) {
  auto* device = static_cast<Device*>(userdata);
  size_t filled = 0;
  const size_t wanted = static_cast<size_t>(length);
  if (device->TailSounding()) {
    const size_t count = std::min(wanted, (device->tail.size() - device->tailSent) * 2);
    std::memcpy(stream, device->tail.data() + device->tailSent, count);
    device->tailSent += count / 2;
    filled = count;
  }
  WAVEHDR* header = device->header;
  if (header != nullptr && device->lastFramesSent) {
    header->dwFlags.fetch_or(WHDR_DONE);
    device->header = nullptr;
    header = nullptr;
  }
  if (header != nullptr) {
    const uint32_t size = header->dwBufferLength;
    while (filled < wanted && device->loopsLeft > 0) {
      const size_t ready =
          header->lpReady != nullptr ? std::min<size_t>(size, header->lpReady->load(std::memory_order_acquire)) : size;
      if (device->offset >= ready) break;  // not synthesized yet: silence until it is
      size_t count = std::min<size_t>(wanted - filled, ready - device->offset);
      if (header->playLimit != 0) count = static_cast<size_t>(std::min<uint64_t>(count, device->bytesLeft));
      device->HandOut(stream + filled, count);
      filled += count;
      device->offset += static_cast<uint32_t>(count);
      if (header->playLimit != 0 && (device->bytesLeft -= count) == 0) device->loopsLeft = 0;
      if (device->offset == size) {
        device->offset = 0;
        if (device->loopsLeft > 0) --device->loopsLeft;
      }
    }
    if (device->loopsLeft == 0) device->lastFramesSent = true;
  }
  std::memset(stream + filled, 0, wanted - filled);  // signed 16-bit silence
}

SdlWaveOut::SdlWaveOut() { StartAudio(); }

SdlWaveOut::~SdlWaveOut() {
  for (auto& [handle, device] : devices_) Sdl().CloseAudioDevice(device->id);
  devices_.clear();
  closer_.WaitUntilIdle();
  if (initialised_) Sdl().QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlWaveOut::StartAudio() {
  closer_.WaitUntilIdle();  // no device may be closing while the subsystem restarts
  if (initialised_) Sdl().QuitSubSystem(SDL_INIT_AUDIO);
  initialised_ = false;
  // SDL's PulseAudio back end crashes at start on a server without a sink.
  if (MayUsePulseAudio() && ProbePulseServer() == PulseServerOutputs::None) {
    initError_ = kNoOutputDevice;
    return;
  }
  std::string problem;
  if (!LoadSdl(&problem)) {
    initError_ = "The sound system could not be started: " + problem;
    return;
  }
  // SDL's own SIGINT and SIGTERM handlers only queue an event that nobody
  // reads here; the program handles those signals itself.
  Sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  initialised_ = Sdl().InitSubSystem(SDL_INIT_AUDIO) == 0;
  initError_ = initialised_ ? std::string() : SdlReason("The sound system could not be started");
}

int SdlWaveOut::SdlDeviceCount() const {
  if (!initialised_) return 0;
  return std::max(0, Sdl().GetNumAudioDevices(0));
}

uint32_t SdlWaveOut::GetNumDevs() { return 1 + static_cast<uint32_t>(SdlDeviceCount()); }

std::string SdlWaveOut::GetDeviceName(uint32_t device) {
  if (device == 0) {
    char* name = nullptr;
    SDL_AudioSpec deviceFormat{};
    std::string text = kDefaultOutputName;
    if (initialised_ && Sdl().GetDefaultAudioInfo(&name, &deviceFormat, 0) == 0 && name != nullptr && name[0] != '\0') {
      text += std::string(" (") + name + ")";
    }
    if (name != nullptr) Sdl().free(name);
    return text;
  }
  if (static_cast<int>(device) > SdlDeviceCount()) return {};
  const char* name = Sdl().GetAudioDeviceName(static_cast<int>(device) - 1, 0);
  if (name == nullptr) return "Sound device " + std::to_string(device);
  return name;
}

int32_t SdlWaveOut::GetDeviceRate(int32_t device) {
  if (!initialised_) return 0;
  SDL_AudioSpec format{};
  if (device == 0 || device == WAVE_MAPPER) {
    char* name = nullptr;
    const bool known = Sdl().GetDefaultAudioInfo(&name, &format, 0) == 0;
    Sdl().free(name);
    return known ? format.freq : 0;
  }
  if (device < 0 || device > SdlDeviceCount()) return 0;
  return Sdl().GetAudioDeviceSpec(device - 1, 0, &format) == 0 ? format.freq : 0;
}

SdlWaveOut::Device* SdlWaveOut::Find(HWAVEOUT handle) {
  auto found = devices_.find(handle);
  return found == devices_.end() ? nullptr : found->second.get();
}

WaveResult SdlWaveOut::Open(HWAVEOUT* handle, int32_t device, const WAVEFORMATEX& format) {
  // SDL's documented orders for 3, 4, 6 and 8 channels are the speaker
  // layouts' own: FL FR LFE; FL FR BL BR; FL FR FC LFE, then BL BR or SL SR;
  // FL FR FC LFE BL BR SL SR. 5 and 7 channels would be other layouts.
  const bool layoutChannels = format.nChannels >= 1 && format.nChannels <= 8 && format.nChannels != 5 && format.nChannels != 7;
  if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16 || !layoutChannels ||
      format.nSamplesPerSec == 0) {
    return "The sound format is not supported";
  }
  // Devices are opened by name: the name still finds the device after the
  // audio subsystem has been started afresh. Two devices with the same name
  // both open the first of them, which sound servers avoid by numbering
  // duplicates.
  std::optional<std::string> name;  // nothing: the default device
  if (device != WAVE_MAPPER && device != 0) {
    if (device < 0 || device > SdlDeviceCount()) {
      return "The sound device " + std::to_string(device) + " does not exist";
    }
    name = GetDeviceName(static_cast<uint32_t>(device));
  }
  WaveResult result = OpenNamed(handle, name ? &*name : nullptr, format);
  if (!result.empty() && devices_.empty()) {
    StartAudio();
    if (initialised_) result = OpenNamed(handle, name ? &*name : nullptr, format);
  }
  return result;
}

WaveResult SdlWaveOut::OpenNamed(HWAVEOUT* handle, const std::string* name, const WAVEFORMATEX& format) {
  if (!initialised_) return initError_;
  auto opened = std::make_unique<Device>();
  opened->name = name != nullptr ? *name : std::string();
  opened->frameBytes = size_t{2} * format.nChannels;
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(format.nSamplesPerSec);
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(format.nChannels);
  want.samples = kFramesPerCallback;
  want.callback = &Device::Feed;
  want.userdata = opened.get();
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes.
  opened->id = Sdl().OpenAudioDevice(name != nullptr ? name->c_str() : nullptr, 0, &want, &have, 0);
  if (opened->id == 0) return SdlReason("The sound device could not be opened");

  *handle = nextHandle_++;
  devices_.emplace(*handle, std::move(opened));
  return {};
}

WaveResult SdlWaveOut::PrepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  if (Find(handle) == nullptr) return "The sound device is not open";
  if (header == nullptr || (header->lpData == nullptr && header->dwBufferLength > 0)) {
    return "The sound buffer is not valid";
  }
  header->dwFlags.fetch_or(WHDR_PREPARED);
  return {};
}

WaveResult SdlWaveOut::Write(HWAVEOUT handle, WAVEHDR* header) {
  Device* device = Find(handle);
  if (device == nullptr) return "The sound device is not open";
  if (!(header->dwFlags.load() & WHDR_PREPARED)) return "The sound buffer is not prepared";
  header->dwFlags.fetch_and(~WHDR_DONE);
  if (header->dwLoops == 0 || header->dwBufferLength == 0) {
    header->dwFlags.fetch_or(WHDR_DONE);
    return {};
  }
  Sdl().LockAudioDevice(device->id);
  device->header = header;
  device->offset = 0;
  device->loopsLeft = header->dwLoops;
  device->bytesLeft = header->playLimit;
  device->lastFramesSent = false;
  device->fade = FadeOf(*header, device->frameBytes);
  device->position = 0;
  Sdl().UnlockAudioDevice(device->id);
  Sdl().PauseAudioDevice(device->id, 0);
  return {};
}

WaveResult SdlWaveOut::Reset(HWAVEOUT handle) {
  Device* device = Find(handle);
  if (device == nullptr) return "The sound device is not open";
  Sdl().LockAudioDevice(device->id);
  if (device->header != nullptr && device->header->fadeFrames != 0) {
    // The fade-out follows what SDL already has, from frames of its own.
    device->fade.StopAt(device->position);
    device->tail = FadedFrames(*device->header, device->frameBytes, device->fade, device->position,
                               device->fade.PlayFrames() - device->position);
    device->tailSent = 0;
  }
  if (device->header != nullptr) device->header->dwFlags.fetch_or(WHDR_DONE);
  device->header = nullptr;
  device->loopsLeft = 0;
  const bool fading = device->TailSounding();
  Sdl().UnlockAudioDevice(device->id);
  if (!fading) Sdl().PauseAudioDevice(device->id, 1);
  return {};
}

WaveResult SdlWaveOut::UnprepareHeader(HWAVEOUT handle, WAVEHDR* header) {
  Device* device = Find(handle);
  if (device == nullptr) return "The sound device is not open";
  Sdl().LockAudioDevice(device->id);
  const bool playing = device->header == header;
  Sdl().UnlockAudioDevice(device->id);
  if (playing) return "The sound buffer is still playing";
  header->dwFlags.fetch_and(~WHDR_PREPARED);
  return {};
}

WaveResult SdlWaveOut::Close(HWAVEOUT handle) {
  auto found = devices_.find(handle);
  if (found == devices_.end()) return "The sound device is not open";
  // Silent at once, or once a stop's fade-out is out: the callback hands
  // out nothing more from the buffer.
  Device* device = found->second.get();
  Sdl().LockAudioDevice(device->id);
  device->header = nullptr;
  device->loopsLeft = 0;
  const bool fading = device->TailSounding();
  Sdl().UnlockAudioDevice(device->id);
  if (!fading) Sdl().PauseAudioDevice(device->id, 1);
  // SDL_CloseAudioDevice waits for SDL's audio thread, which waits for the
  // sound server (seconds, on a slow one): it runs on the closer's thread,
  // which keeps the device's record until SDL is done with it.
  std::shared_ptr<Device> closing(std::move(found->second));
  devices_.erase(found);
  closer_.Run([closing] {
    for (int look = 0; look < kTailLooks; ++look) {
      Sdl().LockAudioDevice(closing->id);
      const bool sounding = closing->TailSounding();
      Sdl().UnlockAudioDevice(closing->id);
      if (!sounding) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kTailLookMs));
    }
    Sdl().CloseAudioDevice(closing->id);
  });
  return {};
}

WaveResult SdlWaveOut::DeviceLost(HWAVEOUT handle) {
  Device* device = Find(handle);
  if (device == nullptr) return "The sound device is not open";
  // SDL stops a device it has lost for good; a paused one is still there.
  if (Sdl().GetAudioDeviceStatus(device->id) != SDL_AUDIO_STOPPED) return {};
  const std::string shown = device->name.empty() ? std::string(kDefaultOutputName) : device->name;
  bool listed = device->name.empty();
  for (int index = 0; index < SdlDeviceCount() && !listed; ++index) {
    const char* name = Sdl().GetAudioDeviceName(index, 0);
    listed = name != nullptr && device->name == name;
  }
  return "The sound device \"" + shown + "\" was lost: " +
         (listed ? "the sound server stopped or the device failed" : "it was unplugged or removed");
}

}  // namespace sondrel
