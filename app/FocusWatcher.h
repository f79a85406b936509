#pragma once
// Tells which application has the focus: on X11 from the window manager's
// _NET_ACTIVE_WINDOW (property events, no polling), on Windows from the
// foreground-window event hook, backed by a foreground check on a timer for
// systems that do not raise the event (Wine).
#include "app/ProcessServices.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remorra::app {

// `onFocus` runs on the watcher's thread, once at start and on every change,
// with the names of the application that has the focus (X11: WM_CLASS
// instance and class; Windows: the executable's file name; empty for the
// desktop or an unnamed window). Windows of this process are not reported:
// opening our own window keeps the profile. Null, with `error`, when there
// is no display or hook.
std::unique_ptr<IBackgroundService> StartFocusWatcher(std::function<void(std::vector<std::string>)> onFocus,
                                                       std::string& error);

} // namespace remorra::app
