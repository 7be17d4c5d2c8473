#include "platform/SdlLibrary.h"

#include <mutex>

#include "platform/SharedLibrary.h"

namespace sondrel {

namespace {

SdlFunctions gFunctions;
std::string gProblem;

// Never closed: SDL keeps threads of its own.
void Load() {
  SharedLibrary library("libSDL2-2.0.so.0");
  SdlFunctions functions;
  bool found = library.Opened();
#define SONDREL_SDL_FIND(name) found = found && library.Find("SDL_" #name, functions.name);
  SONDREL_SDL_FUNCTIONS(SONDREL_SDL_FIND)
#undef SONDREL_SDL_FIND
  if (found) {
    gFunctions = functions;
  } else {
    gProblem = library.Problem();
  }
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
