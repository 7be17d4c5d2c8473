#pragma once
// Asks a PulseAudio (or pipewire-pulse) server whether it has an output at
// all, before SDL's PulseAudio back end is started: SDL 2.26 crashes in its
// start-up (strlen of the server's missing default sink name) when the server
// has no sink. The library is loaded at run time (PulseLibrary), so the
// program runs without it; only its headers are needed to build.

namespace sondrel {

enum class PulseServerOutputs {
  Some,     // the server has a default sink
  None,     // the server answered and has no sink
  Unknown,  // no server, no library, or no answer in time
};

PulseServerOutputs ProbePulseServer();

}  // namespace sondrel
