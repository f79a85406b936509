#pragma once
// Collects trace lines for assertions.
#include "tmTrace.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace remorra::test {

class TraceCapture final : public TraceSink {
public:
    TraceCapture() : m_scope(*this) {}

    void traceLine(std::uint8_t level, const char* text) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back({level, text});
    }
    struct Line {
        std::uint8_t level;
        std::string text;
    };
    std::vector<Line> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }
    int count(const std::string& text) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(),
                                              [&](const Line& l) { return l.text == text; }));
    }
    // True when `text` was traced at level 0 right after a location line of `unit`.
    bool hasError(const std::string& text, const std::string& unit) const
    {
        std::lock_guard lock(m_mutex);
        const std::string prefix = "Error: In function: " + unit + " (Line ";
        for (std::size_t i = 1; i < m_lines.size(); ++i)
            if (m_lines[i].text == text && m_lines[i].level == 0 && m_lines[i - 1].text.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
    ScopedTraceSink m_scope;
};

} // namespace remorra::test
