#include "app/ShutdownRequest.h"

#include "platform/os/AppLog.h"

namespace remorra::app {

void ShutdownRequest::request(const char* what)
{
    std::lock_guard lock(m_mutex);
    if (!m_requested.exchange(true))
        WriteLog(L"Shutdown requested (%s)", what ? what : "unknown");
    if (m_responder)
        m_responder();
}

void ShutdownRequest::setResponder(std::function<void()> responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
    if (m_responder && m_requested.load())
        m_responder();
}

void ShutdownRequest::logEnd() const
{
    if (m_requested.load())
        WriteLog(L"Shutdown complete");
}

} // namespace remorra::app
