#include "platform/os/UpdateLock.h"

#include <windows.h>

#include <cctype>
#include <cstdio>

namespace remorra::os {

namespace {
// One mutex name per folder, the same in every process of the session: the
// folder's full path, case-folded as the file system compares it, hashed.
std::string mutexNameFor(const std::string& path)
{
    char full[MAX_PATH];
    char* namePart = nullptr;
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, &namePart);
    std::string folder = (n > 0 && n < MAX_PATH) ? std::string(full, namePart ? namePart : full + n) : path;
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : folder) {
        const char folded = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        hash = (hash ^ static_cast<unsigned char>(folded)) * 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\remorra-update-%016llx", static_cast<unsigned long long>(hash));
    return name;
}
} // namespace

UpdateLock::UpdateLock(const std::string& path)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, mutexNameFor(path).c_str());
    if (!mutex)
        return;
    // An abandoned mutex (its holder died) is ours now; the file it guarded
    // is whole, since saves replace it by rename.
    const DWORD got = WaitForSingleObject(mutex, INFINITE);
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
    m_held = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
}

UpdateLock::~UpdateLock()
{
    if (m_handle == -1)
        return;
    HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
    if (m_held)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
}

} // namespace remorra::os
