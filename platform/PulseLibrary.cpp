#include "platform/PulseLibrary.h"

#include <mutex>

#include "platform/SharedLibrary.h"

namespace sondrel {

namespace {

PulseFunctions gFunctions;
std::string gProblem;

// Never closed: libpulse may keep threads and atexit handlers of its own.
void Load() {
  SharedLibrary library("libpulse.so.0");
  PulseFunctions functions;
  bool found = library.Opened();
#define SONDREL_PULSE_FIND(name) found = found && library.Find("pa_" #name, functions.name);
  SONDREL_PULSE_FUNCTIONS(SONDREL_PULSE_FIND)
#undef SONDREL_PULSE_FIND
  if (found) {
    gFunctions = functions;
  } else {
    gProblem = library.Problem();
  }
}

}  // namespace

const PulseFunctions* Pulse(std::string* problem) {
  static std::once_flag once;
  std::call_once(once, Load);
  if (!gProblem.empty() && problem != nullptr) *problem = gProblem;
  return gProblem.empty() ? &gFunctions : nullptr;
}

}  // namespace sondrel
