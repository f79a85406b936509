#include "keys/KeyOutput.h"

#include "platform/os/AppLog.h"
#include "platform/os/TimeService.h"

#include <cstdio>

namespace remorra::keys {

std::string ToString(const KeyEvent& e) {
    char text[32];
    switch (e.kind) {
    case KeyEvent::Down: std::snprintf(text, sizeof text, "down 0x%02X", e.value); break;
    case KeyEvent::Up: std::snprintf(text, sizeof text, "up 0x%02X", e.value); break;
    case KeyEvent::Pause: std::snprintf(text, sizeof text, "pause %u", e.value); break;
    }
    return text;
}

std::string ToString(const std::vector<KeyEvent>& events) {
    std::string out;
    for (const KeyEvent& e : events) {
        out += ToString(e);
        out += '\n';
    }
    return out;
}

bool TitleEqualsIgnoreCase(const char* a, const char* b) {
    if (!a || !b) return false;
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

void RecordingKeyOutput::record(const KeyEvent& e) {
    std::function<void(const KeyEvent&)> hook;
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(e);
        hook = m_hook;
    }
    if (hook) hook(e);
}

void RecordingKeyOutput::pause(std::uint32_t ms) {
    os::timeService().sleepMs(ms);
    record({KeyEvent::Pause, ms});
}

bool RecordingKeyOutput::windowExists(const char* title) {
    std::lock_guard lock(m_mutex);
    for (const std::string& w : m_windows) {
        if (TitleEqualsIgnoreCase(w.c_str(), title)) return true;
    }
    return false;
}

std::vector<KeyEvent> RecordingKeyOutput::events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<KeyEvent> RecordingKeyOutput::take() {
    std::lock_guard lock(m_mutex);
    std::vector<KeyEvent> out;
    out.swap(m_events);
    return out;
}

void RecordingKeyOutput::setOpenWindows(std::vector<std::string> titles) {
    std::lock_guard lock(m_mutex);
    m_windows = std::move(titles);
}

void RecordingKeyOutput::setHook(std::function<void(const KeyEvent&)> hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void LogKeyOutput::keyDown(std::uint8_t vk) { WriteLog(L"Key down 0x%02X", static_cast<unsigned>(vk)); }
void LogKeyOutput::keyUp(std::uint8_t vk) { WriteLog(L"Key up 0x%02X", static_cast<unsigned>(vk)); }
void LogKeyOutput::pause(std::uint32_t ms) { os::timeService().sleepMs(ms); }

} // namespace remorra::keys
