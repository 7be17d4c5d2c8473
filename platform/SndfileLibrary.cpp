#include "platform/SndfileLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace sondrel {

namespace {

constexpr const char* kSndfileLibrary = "libsndfile.so.1";

SndfileFunctions gFunctions;
std::string gProblem;

void Load() {
  void* library = dlopen(kSndfileLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    gProblem = dlerror();
    return;
  }
  SndfileFunctions functions;
#define SONDREL_SNDFILE_RESOLVE(name)                                                \
  functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, #name)); \
  if (functions.name == nullptr) {                                                   \
    gProblem = std::string(kSndfileLibrary) + " has no " #name;                      \
    return;                                                                          \
  }
  SONDREL_SNDFILE_FUNCTIONS(SONDREL_SNDFILE_RESOLVE)
#undef SONDREL_SNDFILE_RESOLVE
  gFunctions = functions;
}

}  // namespace

const SndfileFunctions* Sndfile(std::string* problem) {
  static std::once_flag once;
  std::call_once(once, Load);
  if (!gProblem.empty()) {
    if (problem != nullptr) *problem = gProblem;
    return nullptr;
  }
  return &gFunctions;
}

}  // namespace sondrel
