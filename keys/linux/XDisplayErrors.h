#pragma once
// X connections of our own whose errors (a window vanishing while we read
// it) are ignored instead of ending the process; other connections keep the
// handler installed before. Any thread.
#include <X11/Xlib.h>

namespace remorra::keys {

void RegisterDisplay(Display* display);
// Before XCloseDisplay's pointer is reused.
void UnregisterDisplay(Display* display);

} // namespace remorra::keys
