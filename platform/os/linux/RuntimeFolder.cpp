#include "platform/os/RuntimeFolder.h"
#include "platform/os/linux/PathsLinux.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remorra::os {

namespace {

std::mutex g_rootMutex;
std::string g_systemRoot = "/run/user";

std::string systemRoot()
{
    std::lock_guard lock(g_rootMutex);
    return g_systemRoot;
}

std::string because(const std::string& path, int error) { return path + ": " + std::strerror(error); }

std::string octal(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "0%03o", mode & 0777);
    return text;
}

// A folder of this user alone, which this user may write in. Checked on the
// folder itself (lstat), so a link to somewhere else does not pass.
bool isPrivate(const std::string& path, bool mayTighten, std::string& why, bool follow = false)
{
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
        why = because(path, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        why = path + ": not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        why = path + ": owned by user " + std::to_string(st.st_uid) + ", not by this user";
        return false;
    }
    if ((st.st_mode & 077) != 0 && !(mayTighten && ::chmod(path.c_str(), 0700) == 0)) {
        why = path + ": open to other users (mode " + octal(st.st_mode) + ")";
        return false;
    }
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        why = because(path, errno);
        return false;
    }
    return true;
}

bool makePrivate(const std::string& path, std::string& why)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        why = because(path, errno);
        return false;
    }
    return isPrivate(path, true, why);
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
        *found->pw_dir == '/')
        return found->pw_dir;
    return {};
}

std::string hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name)
        return "localhost";
    for (char* c = name; *c; ++c)
        if (*c == '/')
            *c = '_';
    return name;
}

} // namespace

void setSystemRuntimeRoot(const std::string& root)
{
    std::lock_guard lock(g_rootMutex);
    g_systemRoot = root.empty() ? "/run/user" : root;
}

RuntimeFolderChoice findRuntimeFolder()
{
    RuntimeFolderChoice choice;
    std::string why;
    auto take = [&](const std::string& folder) {
        if (makePrivate(folder, why)) {
            choice.folder = folder;
            return true;
        }
        choice.passedOver.push_back(why);
        return false;
    };
    // The session's runtime folder is made by the system; it is used only
    // when it is the user's alone, never created or loosened here.
    auto runtimeBase = [&](const std::string& base) {
        if (isPrivate(base, false, why, true))
            return true;
        choice.passedOver.push_back(why);
        return false;
    };

    const uid_t uid = ::geteuid();
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string xdgBase;
    if (xdg && *xdg) {
        if (*xdg != '/') {
            choice.passedOver.push_back(std::string("XDG_RUNTIME_DIR '") + xdg + "': not an absolute path");
        } else {
            xdgBase = xdg;
            while (xdgBase.size() > 1 && xdgBase.back() == '/')
                xdgBase.pop_back();
            if (runtimeBase(xdgBase) && take(xdgBase + "/remorra"))
                return choice;
        }
    }
    const std::string systemBase = systemRoot() + "/" + std::to_string(uid);
    if (systemBase != xdgBase && runtimeBase(systemBase) && take(systemBase + "/remorra"))
        return choice;

    std::string state;
    if (const char* env = std::getenv("XDG_STATE_HOME"); env && *env == '/')
        state = env;
    else if (const std::string home = homeFolder(); !home.empty())
        state = home + "/.local/state";
    if (state.empty()) {
        choice.passedOver.push_back("the state folder: no home folder");
    } else if (std::string failed; const int error = makeFolders(state + "/remorra", failed)) {
        choice.passedOver.push_back(because(failed, error));
    } else if (take(state + "/remorra/run-" + hostName())) {
        return choice;
    }

    const char* tmp = std::getenv("TMPDIR");
    const std::string tmpBase = (tmp && *tmp == '/') ? tmp : "/tmp";
    take(tmpBase + "/remorra-" + std::to_string(uid));
    return choice;
}

std::string runtimeFolder() { return findRuntimeFolder().folder; }

} // namespace remorra::os
