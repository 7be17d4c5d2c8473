#pragma once
// Every window of the program shows Sondrel's icon (the taskbar reads it
// from the window), at the sizes of the installed icon theme.

namespace sondrel {

void SetWindowIcon();

}  // namespace sondrel
