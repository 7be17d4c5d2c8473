#pragma once
// Real-time scheduling for the thread that feeds the sound server, where
// the system grants it: first directly (SCHED_RR, allowed by RLIMIT_RTPRIO
// or privileges), else through rtkit on the system bus, as the desktop's
// own audio clients ask for it. libdbus is loaded at run time: without it,
// or without rtkit, the thread keeps its ordinary priority.

#include <string>

namespace sondrel {

// A low real-time priority: above every ordinary thread, below the sound
// server's own (PulseAudio and PipeWire take 20 and 88 through rtkit).
inline constexpr int kStreamThreadPriority = 5;

// Empty when thread `threadId` of this process now runs at real-time
// priority, otherwise why not.
std::string MakeThreadRealtime(int threadId);

}  // namespace sondrel
