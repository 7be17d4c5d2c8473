#include "platform/SndfileLibrary.h"

#include <mutex>

#include "platform/SharedLibrary.h"

namespace sondrel {

namespace {

SndfileFunctions gFunctions;
std::string gProblem;

void Load() {
  SharedLibrary library("libsndfile.so.1");
  SndfileFunctions functions;
  bool found = library.Opened();
#define SONDREL_SNDFILE_FIND(name) found = found && library.Find(#name, functions.name);
  SONDREL_SNDFILE_FUNCTIONS(SONDREL_SNDFILE_FIND)
#undef SONDREL_SNDFILE_FIND
  if (found) {
    gFunctions = functions;
  } else {
    gProblem = library.Problem();
  }
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
