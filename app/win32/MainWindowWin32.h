#pragma once
// The running copy's main window, for requests from other processes.
#include <windows.h>

namespace remorra::app {

// A dialog-class window titled "Remorra..." that holds the profile combo box
// (1003), which no other window of the program has; null when none runs.
HWND FindRunningMainWindow();

} // namespace remorra::app
