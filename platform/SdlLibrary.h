#pragma once
// SDL2's audio functions, loaded from the shared library when the sound
// system first starts: a terminal command that plays nothing (a render,
// --version) never loads SDL nor the display libraries SDL itself links.
// Included by the SDL back end's .cpp alone.

#include <SDL.h>

#include <string>

namespace sondrel {

#define SONDREL_SDL_FUNCTIONS(F)                                                                               \
  F(InitSubSystem) F(QuitSubSystem) F(SetHint) F(GetError) F(free) F(GetNumAudioDevices) F(GetAudioDeviceName) \
  F(GetDefaultAudioInfo) F(GetAudioDeviceSpec) F(OpenAudioDevice) F(CloseAudioDevice) F(PauseAudioDevice)     \
  F(LockAudioDevice) F(UnlockAudioDevice) F(GetAudioDeviceStatus)

struct SdlFunctions {
#define SONDREL_SDL_POINTER(name) decltype(&SDL_##name) name = nullptr;
  SONDREL_SDL_FUNCTIONS(SONDREL_SDL_POINTER)
#undef SONDREL_SDL_POINTER
};

// Loads the library once; false with the reason when it cannot be loaded
// or lacks a function (an SDL older than 2.24).
bool LoadSdl(std::string* problem);
// The functions; only after LoadSdl has succeeded.
const SdlFunctions& Sdl();

}  // namespace sondrel
