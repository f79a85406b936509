#pragma once
// The per-user folder that holds the single-instance lock and the local
// sockets. Every copy of the program (and remorra-ir) must find the same one,
// and nobody else may write in it: whoever could would defeat the lock or
// plant a socket.
#include <string>
#include <vector>

namespace remorra::os {

struct RuntimeFolderChoice {
    // Empty when no candidate is usable.
    std::string folder;
    // "<candidate>: <reason>" for each candidate passed over, in the order tried.
    std::vector<std::string> passedOver;
};

// Linux candidates, in order: $XDG_RUNTIME_DIR/remorra and
// /run/user/<uid>/remorra (the runtime folder must be the user's, mode
// 0700), then <state>/remorra/run-<host> ($XDG_STATE_HOME, else
// ~/.local/state; per host, since a home may be shared), then
// $TMPDIR|/tmp/remorra-<uid>. The folder is created mode 0700 when missing;
// one that is not a folder, belongs to another user or cannot be written is
// passed over. Windows: %TEMP%\remorra.
RuntimeFolderChoice findRuntimeFolder();
std::string runtimeFolder();

// Test seam: the folder that holds the system's per-user runtime folders
// ("/run/user"); empty restores it.
void setSystemRuntimeRoot(const std::string& root);

} // namespace remorra::os
