#include "app/ProcessServices.h"

#include "platform/os/AppLog.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace remorra::app {

namespace {

constexpr const char* kRestoreRequest = "restore\n";
constexpr const char* kRestoreSocket = "Remorra.restore";

// Runs `onReadable` on its own thread whenever `fd` becomes readable, until
// destroyed. Owns `fd`.
class PollThread final : public IBackgroundService {
public:
    PollThread(int fd, std::function<void(int)> onReadable) : m_fd(fd), m_onReadable(std::move(onReadable))
    {
        if (::pipe2(m_stop, O_CLOEXEC) != 0)
            m_stop[0] = m_stop[1] = -1;
        m_thread = std::thread([this] { loop(); });
    }
    ~PollThread() override
    {
        m_stopping.store(true);
        if (m_stop[1] >= 0) {
            const char byte = 0;
            [[maybe_unused]] auto n = ::write(m_stop[1], &byte, 1);
        }
        m_thread.join();
        for (int fd : {m_fd, m_stop[0], m_stop[1]})
            if (fd >= 0)
                ::close(fd);
    }

private:
    void loop()
    {
        while (!m_stopping.load()) {
            pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            // Without a stop pipe, wake now and then to look at the flag.
            const int n = ::poll(fds, m_stop[0] >= 0 ? 2 : 1, m_stop[0] >= 0 ? -1 : 200);
            if (n < 0 && errno != EINTR)
                return;
            if (n > 0 && (fds[0].revents & POLLIN) && !m_stopping.load())
                m_onReadable(m_fd);
            if (n > 0 && (fds[0].revents & (POLLERR | POLLNVAL)))
                return;
        }
    }

    int m_fd;
    int m_stop[2] = {-1, -1};
    std::function<void(int)> m_onReadable;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

class FileInstanceLock final : public IInstanceLock {
public:
    explicit FileInstanceLock(std::string name) : m_name(std::move(name)) {}
    ~FileInstanceLock() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool acquire() override
    {
        if (m_fd >= 0)
            return true;
        const os::RuntimeFolderChoice choice = os::findRuntimeFolder();
        for (const std::string& why : choice.passedOver)
            WriteLog(L"Runtime folder passed over: %s", why.c_str());
        // Without a private folder there is nothing safe to lock; let the
        // program run rather than refuse every start.
        if (choice.folder.empty()) {
            WriteLog(L"No private runtime folder: a second copy cannot be refused");
            return true;
        }
        if (!choice.passedOver.empty())
            WriteLog(L"Runtime folder: %s", choice.folder.c_str());
        const std::string path = choice.folder + "/" + m_name + ".lock";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            WriteLog(L"Cannot open the instance lock %s (%s): a second copy cannot be refused", path.c_str(),
                     std::strerror(errno));
            return true;
        }
        // An flock dies with its open file, so a crashed copy never blocks.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        m_fd = fd;
        return true;
    }

private:
    std::string m_name;
    int m_fd = -1;
};

bool RestoreSocketAddress(sockaddr_un& addr, std::string* why = nullptr)
{
    const os::RuntimeFolderChoice choice = os::findRuntimeFolder();
    if (choice.folder.empty()) {
        if (why)
            *why = "no private runtime folder" + (choice.passedOver.empty() ? "" : " (" + choice.passedOver.back() + ")");
        return false;
    }
    const std::string path = choice.folder + "/" + kRestoreSocket;
    if (path.size() >= sizeof addr.sun_path) {
        if (why)
            *why = path + ": too long for a socket (at most " + std::to_string(sizeof addr.sun_path - 1) +
                   " characters)";
        return false;
    }
    addr = {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void HandleRestoreConnection(int listener, const std::function<void()>& onRestore)
{
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    ucred peer{};
    socklen_t len = sizeof peer;
    const bool sameUser = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 && peer.uid == ::getuid();
    char buffer[16] = {};
    std::size_t got = 0;
    // A client that connects and says nothing must not hold the thread.
    while (sameUser && got < std::strlen(kRestoreRequest)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 500) <= 0)
            break;
        const ssize_t n = ::read(fd, buffer + got, sizeof buffer - 1 - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (sameUser && std::strncmp(buffer, kRestoreRequest, std::strlen(kRestoreRequest)) == 0)
        onRestore();
}

} // namespace

std::unique_ptr<IInstanceLock> CreateInstanceLock(const std::string& name)
{
    return std::make_unique<FileInstanceLock>(name);
}

std::unique_ptr<IBackgroundService> StartRestoreListener(std::function<void()> onRestore, std::string* error)
{
    auto fail = [&](const char* what) -> std::unique_ptr<IBackgroundService> {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        return nullptr;
    };
    sockaddr_un addr{};
    std::string why;
    if (!RestoreSocketAddress(addr, &why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail("socket");
    // Only the lock holder gets here, so a socket file left behind is stale.
    ::unlink(addr.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return fail("bind");
    }
    return std::make_unique<PollThread>(
        fd, [onRestore = std::move(onRestore)](int listener) { HandleRestoreConnection(listener, onRestore); });
}

bool SendRestoreRequest()
{
    sockaddr_un addr{};
    if (!RestoreSocketAddress(addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    const std::size_t len = std::strlen(kRestoreRequest);
    ok = ok && ::send(fd, kRestoreRequest, len, MSG_NOSIGNAL) == static_cast<ssize_t>(len);
    ::close(fd);
    return ok;
}

namespace {
sigset_t ShutdownSignalSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
} // namespace

void BlockShutdownSignals()
{
    const sigset_t set = ShutdownSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

std::unique_ptr<IBackgroundService> StartShutdownWatcher(std::function<void(const char*)> onShutdown)
{
    const sigset_t set = ShutdownSignalSet();
    const int fd = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PollThread>(fd, [onShutdown = std::move(onShutdown)](int sfd) {
        signalfd_siginfo info{};
        while (::read(sfd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            onShutdown(info.ssi_signo == SIGTERM  ? "SIGTERM"
                       : info.ssi_signo == SIGINT ? "SIGINT"
                                                  : "SIGHUP");
    });
}

bool RaiseProcessPriority()
{
    // The real-time class covers the whole process, threads already running
    // (the interrupt thread) as well as those started later.
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    bool all = true;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
            // A thread that took a real-time priority of its own (the
            // interrupt thread's time-critical one) keeps it.
            const int policy = tid > 0 ? ::sched_getscheduler(tid) : -1;
            if (policy == SCHED_FIFO || policy == SCHED_RR)
                continue;
            if (tid > 0 && ::sched_setscheduler(tid, SCHED_RR, &param) != 0)
                all = false;
        }
        ::closedir(tasks);
    } else {
        all = ::sched_setscheduler(0, SCHED_RR, &param) == 0;
    }
    if (all)
        return true;
    // Refused: take the best nice value the limits allow instead.
    rlimit limit{};
    int best = 0;
    if (::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        best = 20 - static_cast<int>(limit.rlim_cur);
    else if (::getrlimit(RLIMIT_NICE, &limit) == 0)
        best = -20;
    if (best < ::getpriority(PRIO_PROCESS, 0))
        ::setpriority(PRIO_PROCESS, 0, best);
    return false;
}

} // namespace remorra::app
