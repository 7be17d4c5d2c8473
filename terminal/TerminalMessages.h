#pragma once
// How the terminal commands speak: exit statuses, and every message on
// standard error behind "sondrel: ", so that standard output holds only what
// a command was asked for.

#include <string>

namespace sondrel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a render or play that failed, no sound system
inline constexpr int kExitUsage = 2;    // a command line that is not understood

// Prints the problem with a pointer to --help; returns kExitUsage.
int UsageError(const std::string& problem);
// Prints the problem; returns kExitFailure.
int Failure(const std::string& problem);
// A note that changes nothing about the outcome.
void Note(const std::string& text);
// kExitOk once everything written to standard output has gone; a full disk
// or a closed pipe there is a failure, not a success.
int StandardOutputWritten();

}  // namespace sondrel
