#include "platform/os/Files.h"
#include "platform/os/FilesPlatform.h"
#include "platform/os/linux/PathsLinux.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace remorra::os {

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int makeFolders(const std::string& path, std::string& failed) {
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            const int error = errno;
            failed = std::move(part);
            return error;
        }
        if (at == std::string::npos) return 0;
    }
}

namespace {
std::string errnoText(const char* what, const std::string& path) {
    return std::string(what) + " '" + path + "': " + std::strerror(errno);
}

std::string home() {
    const char* h = std::getenv("HOME");
    return h ? std::string(h) : std::string();
}

// Expands "$HOME/x" and "${HOME}/x" as user-dirs.dirs writes them.
std::string expandHome(std::string v) {
    for (const char* token : {"${HOME}", "$HOME"}) {
        auto at = v.find(token);
        if (at != std::string::npos) v.replace(at, std::strlen(token), home());
    }
    return v;
}

std::string xdgDocumentsFromFile() {
    const char* cfg = std::getenv("XDG_CONFIG_HOME");
    std::string dir = (cfg && *cfg) ? std::string(cfg) : home() + "/.config";
    std::ifstream in(dir + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        static constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
        if (line.compare(start, key.size(), key) != 0) continue;
        std::string v = line.substr(start + key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return expandHome(v);
    }
    return {};
}
} // namespace

namespace {
constexpr std::string_view kTempPrefix = ".remorra-";
} // namespace

bool isOwnTempFileName(std::string_view name) {
    // mkstemp's six characters replace the X's.
    if (name.size() != kTempPrefix.size() + 6 || name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
    for (char c : name.substr(kTempPrefix.size()))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

FileResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    // A short name of its own: `path` + a suffix would not fit when the
    // target's name is already near the file system's limit.
    std::string tmpl = parentOf(path) + "/" + std::string(kTempPrefix) + "XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return {errnoText("cannot create a temporary file beside", path)};
    // Keep the old file's permissions when replacing it; mkstemp uses 0600.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    else ::fchmod(fd, 0644);

    auto fail = [&](std::string msg) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return FileResult{std::move(msg)};
    };
    const SimulatedWrite simulated = simulatedWrite(bytes.size());
    const std::size_t limit = simulated.limit;
    std::size_t done = 0;
    while (done < limit) {
        ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errnoText("cannot write", tmpl));
        }
        done += static_cast<std::size_t>(n);
    }
    if (simulated.fails)
        return fail("cannot write '" + path + "': simulated write failure");
    if (::fsync(fd) != 0) return fail(errnoText("cannot flush", tmpl));
    if (::close(fd) != 0) {
        ::unlink(tmpl.c_str());
        return {errnoText("cannot close", tmpl)};
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        FileResult r{errnoText("cannot replace", path)};
        ::unlink(tmpl.c_str());
        return r;
    }
    countReplacement();
    // Make the rename itself durable.
    int dfd = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

ReadResult InputFile::open(const std::string& path) {
    close();
    // Looked at before opening: opening some devices acts on them.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed,
                errnoText("cannot open", path)};
    if (!S_ISREG(st.st_mode)) return {ReadStatus::NotRegular, "'" + path + "': not a regular file"};
    // Without blocking and checked again: the name may have been swapped for a FIFO meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed, errnoText("cannot open", path)};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {ReadStatus::NotRegular, "'" + path + "': not a regular file"};
    }
    m_handle = fd;
    return {};
}

long long InputFile::read(char* buffer, std::size_t size) {
    if (m_handle < 0) return -1;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

void InputFile::close() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) return true;
    return errno == EEXIST && isDirectory(path);
}

std::string programFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = '\0';
    return parentOf(buf);
}

std::string documentsFolder() {
    if (const char* over = std::getenv("REMORRA_DOCUMENTS"); over && *over) return over;
    if (const char* env = std::getenv("XDG_DOCUMENTS_DIR"); env && *env) return expandHome(env);
    std::string fromFile = xdgDocumentsFromFile();
    if (!fromFile.empty()) return fromFile;
    return home() + "/Documents";
}

} // namespace remorra::os
