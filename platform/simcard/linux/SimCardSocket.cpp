// The simulated card's endpoint as a local stream socket in a folder private
// to the user; the peer's credentials are checked on every connection.
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/os/RuntimeFolder.h"
#include "platform/os/linux/LocalSocket.h"
#include "platform/os/linux/PathsLinux.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace remorra::simcard {
namespace {

using os::claimSocketPath;
using os::connectTo;
using os::parentOf;
using os::socketAddress;
using os::sysError;


// The folder is created for the user alone, or must already be the user's
// alone: anyone else able to write there could swap the endpoint.
bool privateFolder(const std::string& dir, std::string& error) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = sysError(dir);
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        error = sysError(dir);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        error = dir + ": not a folder private to this user";
        return false;
    }
    return true;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string SimCardEndpoint() {
    if (const char* p = std::getenv("REMORRA_SIM_SOCKET"); p && *p) return p;
    std::string dir = os::runtimeFolder();
    // No private folder anywhere: Start then says why this one is refused.
    if (dir.empty()) dir = "/tmp/remorra-" + std::to_string(::geteuid());
    return dir + "/simcard.sock";
}

const char* SimCardDefaultEndpoint() { return "$XDG_RUNTIME_DIR/remorra/simcard.sock"; }

struct CSimCardListener::Impl {
    Impl(tuner::SimTunerCard& c, std::string p) : card(c), path(std::move(p)) {}
    tuner::SimTunerCard& card;
    std::string path;
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::atomic<bool> stopping{false};
    std::thread thread;
    RequestTimeouts timeouts;

    void serve();
    void handle(int fd);
    void closeAll();
};

CSimCardListener::CSimCardListener(tuner::SimTunerCard& card, std::string endpoint)
    : m_impl(std::make_unique<Impl>(card, std::move(endpoint))) {}

CSimCardListener::~CSimCardListener() { Stop(); }

const std::string& CSimCardListener::endpoint() const { return m_impl->path; }

void CSimCardListener::setRequestTimeouts(RequestTimeouts timeouts) { m_impl->timeouts = timeouts; }

bool CSimCardListener::Start(std::string& error) {
    Impl& m = *m_impl;
    if (m.thread.joinable()) return true;
    sockaddr_un addr;
    if (!socketAddress(m.path, addr, error) || !privateFolder(parentOf(m.path), error) ||
        !claimSocketPath(m.path, addr, "another simulated card already listens there", error))
        return false;
    m.listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m.listenFd < 0) {
        error = sysError("socket");
        return false;
    }
    if (::bind(m.listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = sysError(m.path);
        m.closeAll();
        return false;
    }
    if (::chmod(m.path.c_str(), 0600) != 0 || ::listen(m.listenFd, 8) != 0 ||
        ::pipe2(m.wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = sysError(m.path);
        ::unlink(m.path.c_str());
        m.closeAll();
        return false;
    }
    m.stopping.store(false);
    m.thread = std::thread([&m] { m.serve(); });
    return true;
}

void CSimCardListener::Stop() {
    Impl& m = *m_impl;
    if (!m.thread.joinable()) return;
    m.stopping.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(m.wake[1], &byte, 1);
    m.thread.join();
    ::unlink(m.path.c_str());
    m.closeAll();
}

void CSimCardListener::Impl::closeAll() {
    for (int* fd : {&listenFd, &wake[0], &wake[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void CSimCardListener::Impl::serve() {
    while (!stopping.load()) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        handle(fd);
        ::close(fd);
    }
}

void CSimCardListener::Impl::handle(int fd) {
    ucred peer{};
    socklen_t len = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::geteuid()) {
        sendAll(fd, "ERROR refused: the card plays only for its own user\n");
        return;
    }
    // The request ends when the client closes its writing side. Its whole
    // has a deadline too: a byte now and then would hold the card for ever.
    std::string request;
    char buf[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts.wholeMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const bool last = left <= static_cast<std::int64_t>(timeouts.idleMs);
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, last ? static_cast<int>(std::max<std::int64_t>(left, 0)) : static_cast<int>(timeouts.idleMs));
        if (ready < 0 && errno == EINTR) continue;
        if (fds[1].revents) return;
        if (ready <= 0) {
            sendAll(fd, IncompleteRequestReply(last, last ? timeouts.wholeMs : timeouts.idleMs,
                                               "end it by closing the writing side"));
            return;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        if (n == 0) break;
        request.append(buf, static_cast<std::size_t>(n));
        if (request.size() > kMaxRequestBytes) break; // refused whole below
    }
    sendAll(fd, PlayRequest(card, request, &stopping));
}

bool SendRawToSimCard(const std::string& request, std::string& reply, std::string& error,
                      const std::string& endpoint) {
    sockaddr_un addr;
    if (!socketAddress(endpoint, addr, error)) return false;
    const int fd = connectTo(addr);
    if (fd < 0) {
        error = errno == ENOENT || errno == ECONNREFUSED
                    ? "no simulated card listens at " + endpoint + " (is Remorra running on a simulated card?)"
                    : sysError(endpoint);
        return false;
    }
    // A refused request may be answered before all of it was sent: read the
    // answer either way.
    const bool sent = sendAll(fd, request);
    ::shutdown(fd, SHUT_WR);
    const int sendErrno = errno;
    reply.clear();
    // The card answers once it has played the capture.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(kMaxPlayUs) +
                          std::chrono::seconds(15);
    char buf[512];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(0, left.count())));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buf, static_cast<std::size_t>(n));
        if (reply.size() > 4096) break;
    }
    ::close(fd);
    if (reply.empty()) {
        errno = sendErrno;
        error = sent ? "the card at " + endpoint + " gave no answer" : sysError(endpoint);
        return false;
    }
    return true;
}

} // namespace remorra::simcard
