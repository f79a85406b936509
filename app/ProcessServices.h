#pragma once
// Process-level services of the program, implemented per platform: the
// per-user instance lock, the restore request another process may send, the
// shutdown request the system sends (log-out, SIGTERM) and the process
// priority. Callbacks run on a background thread of the service; the caller
// hands them over to its window thread.
#include "app/RemorraApp.h"
#include "platform/os/RuntimeFolder.h"

#include <functional>
#include <memory>
#include <string>

namespace remorra::app {

// Per-user folder for the lock and the local sockets (os::findRuntimeFolder);
// empty when no candidate is the user's alone.
inline std::string RuntimeFolder() { return os::runtimeFolder(); }

std::unique_ptr<IInstanceLock> CreateInstanceLock(const std::string& name);

// Stops its thread when destroyed.
class IBackgroundService {
public:
    virtual ~IBackgroundService() = default;
};

// The message that restores the main window from the notification area; on
// Windows it is the restore request itself, sent straight to the window.
inline constexpr unsigned kRestoreWindowMessage = 0x0400 + 1000;

// Accepts "restore" requests from processes of the same user. Null when the
// socket cannot be set up (the program runs on without it); `error` then says why.
std::unique_ptr<IBackgroundService> StartRestoreListener(std::function<void()> onRestore, std::string* error);
// Asks the running copy to restore its window; false when none listens.
bool SendRestoreRequest();

// Call first in main, before any thread starts, so that every later thread
// inherits the blocked termination signals and only the watcher receives them.
void BlockShutdownSignals();
// Calls `onShutdown` with the request's name ("SIGTERM", "CTRL_LOGOFF_EVENT")
// for each SIGTERM, SIGINT or SIGHUP (Windows: console and session events).
// Signals that came while they were blocked and before the watcher started
// are delivered too.
std::unique_ptr<IBackgroundService> StartShutdownWatcher(std::function<void(const char* what)> onShutdown);

// Real-time scheduling for every thread of the process (the interrupt
// thread included). When that is refused, the best nice value the process
// may take instead, and false.
bool RaiseProcessPriority();

} // namespace remorra::app
