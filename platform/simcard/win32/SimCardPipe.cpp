// The simulated card's endpoint as a named pipe that only this user may open.
// A pipe has no half-close, so it runs in message mode: the client writes the
// request as one message, which ends it as closing the writing side does on
// a socket; the text of request and reply is the same.
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include <windows.h>
#include <sddl.h>

namespace remorra::simcard {
namespace {

constexpr DWORD kReplyReadMs = 2000;
constexpr std::string_view kPipePrefix = "\\\\.\\pipe\\";
constexpr std::size_t kMaxPipeName = 256;

std::string sysError(const std::string& what, DWORD code = GetLastError())
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = text ? text : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return what + ": " + message;
}

bool pipeName(const std::string& path, std::string& error)
{
    if (path.size() <= kPipePrefix.size() || path.size() > kMaxPipeName || path.compare(0, kPipePrefix.size(), kPipePrefix) != 0 ||
        path.find('\\', kPipePrefix.size()) != std::string::npos) {
        error = "'" + path + "': not a usable pipe name (\\\\.\\pipe\\NAME, at most " + std::to_string(kMaxPipeName) +
                " characters)";
        return false;
    }
    return true;
}

// The user's SID as text; empty when the token cannot be read.
std::string userSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    std::string sid;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size > 0) {
        std::string buffer(size, '\0');
        char* text = nullptr;
        if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
            sid = text;
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return sid;
}

// One overlapped operation at a time on a handle.
class Io {
public:
    Io() { m_ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Io()
    {
        if (m_ov.hEvent)
            CloseHandle(m_ov.hEvent);
    }
    Io(const Io&) = delete;
    Io& operator=(const Io&) = delete;
    bool ok() const { return m_ov.hEvent != nullptr; }

    enum class Result { Done, Failed, TimedOut, Stopped };

    // Waits for the operation that `started` began; `stop` (may be null) ends
    // the wait early. The operation is cancelled when it does not complete.
    Result finish(HANDLE h, BOOL started, DWORD& bytes, DWORD timeoutMs, HANDLE stop)
    {
        m_error = ERROR_SUCCESS;
        // A read that found more of the message than fits has completed too.
        if (const DWORD e = started ? ERROR_SUCCESS : GetLastError();
            !started && e != ERROR_IO_PENDING && e != ERROR_MORE_DATA) {
            m_error = e;
            return Result::Failed;
        }
        HANDLE waitOn[2] = {m_ov.hEvent, stop};
        const DWORD r = WaitForMultipleObjects(stop ? 2 : 1, waitOn, FALSE, timeoutMs);
        if (r != WAIT_OBJECT_0) {
            CancelIoEx(h, &m_ov);
            GetOverlappedResult(h, &m_ov, &bytes, TRUE);
            return r == WAIT_OBJECT_0 + 1 ? Result::Stopped : Result::TimedOut;
        }
        if (!GetOverlappedResult(h, &m_ov, &bytes, FALSE)) {
            m_error = GetLastError();
            // A message longer than the buffer: this part is read, more follows.
            return m_error == ERROR_MORE_DATA ? Result::Done : Result::Failed;
        }
        return Result::Done;
    }
    OVERLAPPED* overlapped()
    {
        ResetEvent(m_ov.hEvent);
        return &m_ov;
    }
    DWORD error() const { return m_error; }

private:
    OVERLAPPED m_ov{};
    DWORD m_error = ERROR_SUCCESS;
};

bool writeMessage(HANDLE h, Io& io, std::string_view bytes, DWORD timeoutMs, HANDLE stop)
{
    DWORD written = 0;
    const BOOL started = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, io.overlapped());
    return io.finish(h, started, written, timeoutMs, stop) == Io::Result::Done && written == bytes.size();
}

} // namespace

std::string SimCardEndpoint()
{
    if (const char* forced = std::getenv("REMORRA_SIM_SOCKET"); forced && *forced)
        return forced;
    // Pipe names are shared by every user of the machine: each user has one of their own.
    const std::string sid = userSid();
    return std::string(kPipePrefix) + "remorra-simcard" + (sid.empty() ? "" : "-" + sid);
}

const char* SimCardDefaultEndpoint() { return "\\\\.\\pipe\\remorra-simcard-<your SID>"; }

struct CSimCardListener::Impl {
    Impl(tuner::SimTunerCard& c, std::string p) : card(c), path(std::move(p)) {}
    tuner::SimTunerCard& card;
    std::string path;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE stop = nullptr;
    std::atomic<bool> stopping{false};
    std::thread thread;
    RequestTimeouts timeouts;

    void serve();
    void handle(Io& io);
    void closeAll()
    {
        if (pipe != INVALID_HANDLE_VALUE)
            CloseHandle(pipe);
        if (stop)
            CloseHandle(stop);
        pipe = INVALID_HANDLE_VALUE;
        stop = nullptr;
    }
};

CSimCardListener::CSimCardListener(tuner::SimTunerCard& card, std::string endpoint)
    : m_impl(std::make_unique<Impl>(card, std::move(endpoint)))
{
}

CSimCardListener::~CSimCardListener() { Stop(); }

const std::string& CSimCardListener::endpoint() const { return m_impl->path; }

bool CSimCardListener::Start(std::string& error)
{
    Impl& m = *m_impl;
    if (m.thread.joinable())
        return true;
    if (!pipeName(m.path, error))
        return false;
    const std::string sid = userSid();
    if (sid.empty()) {
        error = sysError("the user's identity");
        return false;
    }
    // Protected DACL: the user alone, nobody inherited.
    const std::string sddl = "D:P(A;;GA;;;" + sid + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        error = sysError("the pipe's access rule");
        return false;
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, descriptor, FALSE};
    // The first instance only: a second card on the same name is refused, and
    // a crashed run leaves nothing behind, since the name goes with its last handle.
    m.pipe = CreateNamedPipeA(m.path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                              PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096,
                              64 * 1024, 0, &sa);
    const DWORD created = GetLastError();
    LocalFree(descriptor);
    if (m.pipe == INVALID_HANDLE_VALUE) {
        error = created == ERROR_ACCESS_DENIED || created == ERROR_PIPE_BUSY
                    ? m.path + ": another simulated card already listens there"
                    : sysError(m.path, created);
        return false;
    }
    m.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m.stop) {
        error = sysError("stop event");
        m.closeAll();
        return false;
    }
    m.stopping.store(false);
    m.thread = std::thread([&m] { m.serve(); });
    return true;
}

void CSimCardListener::Stop()
{
    Impl& m = *m_impl;
    if (!m.thread.joinable())
        return;
    m.stopping.store(true);
    SetEvent(m.stop);
    m.thread.join();
    m.closeAll();
}

void CSimCardListener::Impl::serve()
{
    Io io;
    if (!io.ok())
        return;
    while (!stopping.load()) {
        DWORD unused = 0;
        const BOOL started = ConnectNamedPipe(pipe, io.overlapped());
        if (!started && GetLastError() == ERROR_PIPE_CONNECTED) {
            handle(io);
        } else if (!started && GetLastError() == ERROR_NO_DATA) {
            // The client came and went before we looked.
        } else {
            const Io::Result r = io.finish(pipe, started, unused, INFINITE, stop);
            if (r == Io::Result::Stopped)
                return;
            if (r != Io::Result::Done)
                return; // a broken pipe handle would fail forever: stop serving rather than spin
            handle(io);
        }
        DisconnectNamedPipe(pipe);
    }
}

void CSimCardListener::setRequestTimeouts(RequestTimeouts timeouts) { m_impl->timeouts = timeouts; }

void CSimCardListener::Impl::handle(Io& io)
{
    // The request is one message; a longer one than we take is read to its
    // end all the same, so that its writer gets to read the refusal.
    std::string request;
    char buf[4096];
    // The whole request has a deadline as well as each read.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts.wholeMs);
    for (;;) {
        DWORD got = 0;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const DWORD wait = static_cast<DWORD>(std::clamp<std::int64_t>(left, 0, timeouts.idleMs));
        const BOOL started = ReadFile(pipe, buf, sizeof buf, nullptr, io.overlapped());
        const Io::Result r = io.finish(pipe, started, got, wait, stop);
        if (r == Io::Result::Stopped || r == Io::Result::Failed)
            return;
        if (r == Io::Result::TimedOut) {
            const bool whole = wait < timeouts.idleMs;
            writeMessage(pipe, io,
                         IncompleteRequestReply(whole, whole ? timeouts.wholeMs : timeouts.idleMs,
                                                "send the request as one message"),
                         kReplyReadMs, nullptr);
            return;
        }
        if (request.size() <= kMaxRequestBytes)
            request.append(buf, std::min<std::size_t>(got, kMaxRequestBytes + 1 - request.size()));
        if (io.error() != ERROR_MORE_DATA)
            break;
    }
    // The reply goes out even when stopping: it tells the client why.
    if (!writeMessage(pipe, io, PlayRequest(card, request, &stopping), kReplyReadMs, nullptr))
        return;
    // Disconnecting throws away what the client has not read yet: wait until
    // it closes its end (or lets the reply lie for too long).
    DWORD got = 0;
    const BOOL started = ReadFile(pipe, buf, sizeof buf, nullptr, io.overlapped());
    io.finish(pipe, started, got, kReplyReadMs, nullptr);
}

bool SendRawToSimCard(const std::string& request, std::string& reply, std::string& error, const std::string& endpoint)
{
    if (!pipeName(endpoint, error))
        return false;
    // The card answers once it has played the capture; it serves one client
    // at a time, so a busy pipe is waited for within the same bound.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::microseconds(kMaxPlayUs) + std::chrono::seconds(15);
    auto msLeft = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<DWORD>(std::max<std::int64_t>(0, left.count()));
    };
    HANDLE h = INVALID_HANDLE_VALUE;
    for (;;) {
        h = CreateFileA(endpoint.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
        if (h != INVALID_HANDLE_VALUE)
            break;
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND) {
            error = "no simulated card listens at " + endpoint + " (is Remorra running on a simulated card?)";
            return false;
        }
        if (e != ERROR_PIPE_BUSY || msLeft() == 0) {
            error = sysError(endpoint, e);
            return false;
        }
        WaitNamedPipeA(endpoint.c_str(), std::max<DWORD>(1, std::min<DWORD>(msLeft(), 1000)));
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    Io io;
    if (!io.ok() || !SetNamedPipeHandleState(h, &mode, nullptr, nullptr)) {
        error = sysError(endpoint);
        CloseHandle(h);
        return false;
    }
    // A refused request may be answered before all of it was taken: read the
    // answer either way.
    const bool sent = writeMessage(h, io, request, msLeft(), nullptr);
    const DWORD sendError = GetLastError();
    reply.clear();
    char buf[512];
    for (;;) {
        DWORD got = 0;
        const BOOL started = ReadFile(h, buf, sizeof buf, nullptr, io.overlapped());
        if (io.finish(h, started, got, msLeft(), nullptr) != Io::Result::Done)
            break;
        reply.append(buf, got);
        if (io.error() != ERROR_MORE_DATA || reply.size() > 4096)
            break;
    }
    CloseHandle(h);
    if (reply.empty()) {
        error = sent ? "the card at " + endpoint + " gave no answer" : sysError(endpoint, sendError);
        return false;
    }
    return true;
}

} // namespace remorra::simcard
