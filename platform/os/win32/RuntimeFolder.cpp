#include "platform/os/RuntimeFolder.h"

#include <windows.h>

namespace remorra::os {

// The temp folder is the user's own profile folder; the instance lock is a
// named mutex and needs no file.
RuntimeFolderChoice findRuntimeFolder()
{
    RuntimeFolderChoice choice;
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) {
        choice.passedOver.push_back("the temp folder: GetTempPath failed");
        return choice;
    }
    const std::string dir = std::string(temp, n) + "remorra";
    if (!CreateDirectoryA(dir.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            choice.passedOver.push_back(dir + ": cannot be created (error " + std::to_string(error) + ")");
            return choice;
        }
    }
    choice.folder = dir;
    return choice;
}

std::string runtimeFolder() { return findRuntimeFolder().folder; }

void setSystemRuntimeRoot(const std::string&) {}

} // namespace remorra::os
