#include "platform/os/AppLog.h"
#include "platform/os/linux/PathsLinux.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace remorra::os {

bool LocalDateTime(std::tm& out) {
    const std::time_t t = std::time(nullptr);
    return localtime_r(&t, &out) != nullptr;
}

// Milliseconds since boot, wrapping at 32 bits like the Windows tick count.
std::uint32_t TickCountMs() {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(ms);
}

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    passwd pw{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

} // namespace

std::string ApplicationLogPath() {
    if (const char* forced = std::getenv("REMORRA_LOG"); forced && *forced) return forced;
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') {
        state = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) return {};
        state = home + "/.local/state";
    }
    return state + "/remorra/Remorra.log";
}

namespace {

// A FIFO or a device as the log must not hold the calling thread: opened
// without blocking (a FIFO without a reader then fails), and only a regular
// file or the null device is written.
bool Writable(int fd) {
    struct stat st {}, null {};
    if (::fstat(fd, &st) != 0) return false;
    if (S_ISREG(st.st_mode)) return true;
    return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && st.st_rdev == null.st_rdev;
}

} // namespace

bool AppendToLog(const std::string& path, const char* bytes, std::size_t size) {
    if (path.empty()) return false;
    constexpr int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0 && errno == ENOENT) {
        std::string failed; // a failure shows in the open below
        makeFolders(parentOf(path), failed);
        fd = ::open(path.c_str(), flags, 0644);
    }
    if (fd < 0) return false;
    if (!Writable(fd)) {
        ::close(fd);
        return false;
    }
    // One write per line: O_APPEND places it whole at the end even while the
    // other thread appends.
    ssize_t written;
    do {
        written = ::write(fd, bytes, size);
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == static_cast<ssize_t>(size);
}

} // namespace remorra::os
