#include "platform/SdlLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace sondrel {

namespace {

constexpr const char* kSdlLibrary = "libSDL2-2.0.so.0";

SdlFunctions gFunctions;
std::string gProblem;

void Load() {
  void* library = dlopen(kSdlLibrary, RTLD_NOW | RTLD_LOCAL);  // never closed: SDL keeps threads
  if (library == nullptr) {
    gProblem = dlerror();
    return;
  }
  SdlFunctions functions;
#define SONDREL_SDL_RESOLVE(name)                                                                         \
  functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, "SDL_" #name));             \
  if (functions.name == nullptr) {                                                                        \
    gProblem = std::string(kSdlLibrary) + " has no SDL_" #name;                                           \
    return;                                                                                               \
  }
  SONDREL_SDL_FUNCTIONS(SONDREL_SDL_RESOLVE)
#undef SONDREL_SDL_RESOLVE
  gFunctions = functions;
}

}  // namespace

bool LoadSdl(std::string* problem) {
  static std::once_flag once;
  std::call_once(once, Load);
  if (!gProblem.empty() && problem != nullptr) *problem = gProblem;
  return gProblem.empty();
}

const SdlFunctions& Sdl() { return gFunctions; }

}  // namespace sondrel
