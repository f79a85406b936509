#pragma once
// The system's request to end the program (SIGTERM, SIGINT, SIGHUP, log-off),
// kept from the first line of main on. It may come while a message box, the
// chooser or start-up runs, long before the main loop: the request is
// remembered, and whoever runs at the moment is told through the responder.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace remorra::app {

class ShutdownRequest {
public:
    // Any thread. The first request is logged: "Shutdown requested (WHAT)".
    void request(const char* what);
    bool requested() const { return m_requested.load(); }
    // What a request does from now on; runs on the requesting thread, so it
    // only hands the work over. Called at once when a request came already.
    // After setResponder({}) returns, the previous responder runs no more.
    void setResponder(std::function<void()> responder);
    // "Shutdown complete" when a request was made; the program's last line.
    void logEnd() const;

private:
    std::atomic<bool> m_requested{false};
    std::mutex m_mutex;
    std::function<void()> m_responder;
};

} // namespace remorra::app
