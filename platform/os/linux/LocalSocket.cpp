#include "platform/os/linux/LocalSocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace remorra::os {

std::string sysError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool socketAddress(const std::string& path, sockaddr_un& addr, std::string& error, std::size_t shownChars)
{
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "'" + path.substr(0, shownChars) + "': not a usable socket path (1-" +
                std::to_string(sizeof addr.sun_path - 1) + " characters)";
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int connectTo(const sockaddr_un& addr)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

bool claimSocketPath(const std::string& path, const sockaddr_un& addr, const char* servedText, std::string& error)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return true;
    if (!S_ISSOCK(st.st_mode)) {
        error = path + ": exists and is not a socket";
        return false;
    }
    if (const int fd = connectTo(addr); fd >= 0) {
        ::close(fd);
        error = path + ": " + servedText;
        return false;
    }
    ::unlink(path.c_str()); // left by a run that ended without removing it
    return true;
}

} // namespace remorra::os
