#pragma once
// The window lives in an executable of its own, so that the terminal
// commands never load the window toolkit: the front executable runs them
// itself and otherwise hands its command line on to the window's.

namespace sondrel {

// Replaces this process by the window executable, installed at a fixed place
// relative to this one, with the same arguments; argv[0] becomes this
// executable's absolute path, which the window gives the desktop to start
// Sondrel again. Returns only when the window cannot be started, with the
// exit status after saying why.
int StartWindow(char** argv);

}  // namespace sondrel
