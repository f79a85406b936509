// lircd's event socket on a local stream socket. One thread serves every
// client with poll(); the key path only drops an event into a lock-free ring
// and pokes an eventfd, so no client, however slow, can hold up a key.
#include "app/LircSocket.h"

#include "platform/os/AppLog.h"
#include "platform/os/linux/LocalSocket.h"
#include "RemorraVersion.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace remorra::app {
namespace {

// Bounded multi-producer queue (one cell sequence number per slot), so that
// keys decoded on the interrupt thread and on the timer thread both get in
// without a lock.
template <typename T, std::size_t N>
class EventRing {
    static_assert((N & (N - 1)) == 0);

public:
    EventRing()
    {
        for (std::size_t i = 0; i < N; ++i)
            m_cells[i].seq.store(i, std::memory_order_relaxed);
    }
    bool push(const T& value)
    {
        std::size_t pos = m_head.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = m_cells[pos & (N - 1)];
            const std::size_t seq = cell.seq.load(std::memory_order_acquire);
            const auto diff = static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(pos);
            if (diff == 0) {
                if (m_head.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
                    cell.value = value;
                    cell.seq.store(pos + 1, std::memory_order_release);
                    return true;
                }
            } else if (diff < 0) {
                return false; // full
            } else {
                pos = m_head.load(std::memory_order_relaxed);
            }
        }
    }
    // One consumer.
    bool pop(T& out)
    {
        Cell& cell = m_cells[m_tail & (N - 1)];
        if (cell.seq.load(std::memory_order_acquire) != m_tail + 1)
            return false;
        out = cell.value;
        cell.seq.store(m_tail + N, std::memory_order_release);
        ++m_tail;
        return true;
    }

private:
    struct Cell {
        std::atomic<std::size_t> seq;
        T value;
    };
    std::array<Cell, N> m_cells;
    std::atomic<std::size_t> m_head{0};
    std::size_t m_tail = 0;
};

constexpr std::size_t kMaxCommandLine = 1024;

struct Client {
    int fd = -1;
    std::string in;
    std::string out;
};

bool prepareFolder(const std::string& path, std::string& error)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    const std::string dir = path.substr(0, slash);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = os::sysError(dir);
        return false;
    }
    return true;
}

class LircServer final : public ILircServer {
public:
    LircServer(std::string path, LircRemoteList remotes)
        : m_path(std::move(path)), m_remotes(std::move(remotes))
    {
    }
    ~LircServer() override
    {
        if (m_thread.joinable()) {
            m_stopping.store(true);
            poke();
            m_thread.join();
        }
        for (Client& c : m_clients)
            ::close(c.fd);
        if (m_listenFd >= 0) {
            ::close(m_listenFd);
            ::unlink(m_path.c_str());
        }
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
    }

    bool start(std::string& error);
    void OnButton(const keys::ButtonEvent& event) override
    {
        if (!m_ring.push(event)) {
            m_dropped.fetch_add(1);
        }
        poke();
    }
    const std::string& path() const override { return m_path; }

private:
    void poke()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    void serve();
    void accept();
    void broadcast();
    bool readFrom(Client& c);
    bool writeTo(Client& c);
    bool queue(Client& c, std::string_view bytes);

    std::string m_path;
    LircRemoteList m_remotes;
    std::string m_version = std::to_string(REMORRA_VERSION_MAJOR) + "." + std::to_string(REMORRA_VERSION_MINOR) + "." +
                            std::to_string(REMORRA_VERSION_PATCH);
    int m_listenFd = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint32_t> m_dropped{0};
    EventRing<keys::ButtonEvent, 64> m_ring;
    std::vector<Client> m_clients; // server thread only
    std::thread m_thread;
};

bool LircServer::start(std::string& error)
{
    sockaddr_un addr;
    if (!os::socketAddress(m_path, addr, error, 120) || !prepareFolder(m_path, error) ||
        !os::claimSocketPath(m_path, addr, "another program already serves this socket", error))
        return false;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_wakeFd < 0 || m_listenFd < 0) {
        error = os::sysError("socket");
        return false;
    }
    // Created private, so no other user can connect before the check below.
    const mode_t old = ::umask(0177);
    const bool bound = ::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::umask(old);
    if (!bound || ::listen(m_listenFd, 16) != 0) {
        error = os::sysError(m_path);
        if (bound)
            ::unlink(m_path.c_str());
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_thread = std::thread([this] { serve(); });
    return true;
}

void LircServer::serve()
{
    std::vector<pollfd> fds;
    while (!m_stopping.load()) {
        fds.assign({{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}});
        for (const Client& c : m_clients)
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            WriteLog(L"LIRC socket stopped: %s", std::strerror(errno));
            return;
        }
        // Clients first, while the list still matches `fds`: broadcast()
        // and accept() below change it.
        for (std::size_t i = m_clients.size(); i-- > 0;) {
            Client& c = m_clients[i];
            const short ev = fds[i + 2].revents;
            bool keep = true;
            if (ev & (POLLIN | POLLHUP | POLLERR))
                keep = readFrom(c);
            if (keep && (ev & POLLOUT))
                keep = writeTo(c);
            if (!keep) {
                ::close(c.fd);
                m_clients.erase(m_clients.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (fds[1].revents) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
            broadcast();
        }
        if (fds[0].revents & POLLIN)
            accept();
    }
}

void LircServer::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        ucred peer{};
        socklen_t len = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::geteuid() ||
            m_clients.size() >= kLircMaxClients) {
            ::close(fd);
            continue;
        }
        m_clients.push_back({fd, {}, {}});
    }
}

void LircServer::broadcast()
{
    keys::ButtonEvent event;
    char line[160];
    while (m_ring.pop(event)) {
        const std::size_t n = keys::FormatLircLine(event, line, sizeof line);
        for (std::size_t i = m_clients.size(); i-- > 0;) {
            if (n && !queue(m_clients[i], {line, n})) {
                ::close(m_clients[i].fd);
                m_clients.erase(m_clients.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    if (const std::uint32_t lost = m_dropped.exchange(0))
        WriteLog(L"LIRC socket: %u button events lost (the server fell behind)", unsigned{lost});
}

// False when the client has more waiting than it may: it is dropped.
bool LircServer::queue(Client& c, std::string_view bytes)
{
    if (c.out.size() + bytes.size() > kLircClientBacklogBytes) {
        WriteLog(L"LIRC client dropped: it stopped reading (%u bytes waiting)", unsigned(c.out.size()));
        return false;
    }
    c.out.append(bytes);
    return writeTo(c);
}

bool LircServer::writeTo(Client& c)
{
    while (!c.out.empty()) {
        const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        c.out.erase(0, static_cast<std::size_t>(n));
    }
    return true;
}

bool LircServer::readFrom(Client& c)
{
    char buf[512];
    const ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR && errno != EWOULDBLOCK))
        return false;
    if (n < 0)
        return true;
    c.in.append(buf, static_cast<std::size_t>(n));
    for (std::size_t eol; (eol = c.in.find('\n')) != std::string::npos;) {
        const std::string reply = keys::LircCommandReply(std::string_view(c.in).substr(0, eol), m_remotes(), m_version);
        c.in.erase(0, eol + 1);
        if (!reply.empty() && !queue(c, reply))
            return false;
    }
    return c.in.size() <= kMaxCommandLine; // a line without end is not a command
}

} // namespace

std::unique_ptr<ILircServer> StartLircServer(const std::string& path, LircRemoteList remotes,
                                             std::string& error)
{
    auto server = std::make_unique<LircServer>(path, std::move(remotes));
    if (!server->start(error))
        return nullptr;
    return server;
}

} // namespace remorra::app
