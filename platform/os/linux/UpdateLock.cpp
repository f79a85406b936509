#include "platform/os/UpdateLock.h"
#include "platform/os/linux/PathsLinux.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace remorra::os {

// The folder, not the file: a save replaces the file by rename, so a lock on
// the file would be on the old one. Each lock opens the folder anew, so
// threads of one process exclude each other as processes do.
UpdateLock::UpdateLock(const std::string& path)
{
    const int fd = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    m_handle = fd;
    m_held = rc == 0;
}

UpdateLock::~UpdateLock()
{
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle)); // releases the flock
}

} // namespace remorra::os
