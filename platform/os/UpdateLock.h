#pragma once
// Serialises read-modify-write updates of the files in one folder among
// processes and threads, so that two writers of config.ini cannot both read
// the old file and the second save drop the first one's change.
#include <cstdint>
#include <string>

namespace remorra::os {

// An exclusive advisory lock, waited for in the constructor and held until
// destruction. Linux: flock on the folder of `path` (no file of its own);
// Windows: a named mutex for the folder. Where none can be had (a missing
// folder, a file system without locks) the update goes on unserialised.
class UpdateLock {
public:
    explicit UpdateLock(const std::string& path);
    ~UpdateLock();
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

private:
    std::intptr_t m_handle = -1;
    bool m_held = false;
};

} // namespace remorra::os
