#include "platform/os/VirtualTimeService.h"

#include <algorithm>

namespace remorra::os {

VirtualTimeService::VirtualTimeService(std::int64_t frequency) : m_frequency(frequency > 0 ? frequency : 1) {}

std::int64_t VirtualTimeService::counter()
{
    const std::int64_t step = m_step.load(std::memory_order_relaxed);
    return step ? m_now.fetch_add(step) : m_now.load();
}

void VirtualTimeService::sleepMs(std::uint32_t ms)
{
    m_now.fetch_add(static_cast<std::int64_t>(ms) * m_frequency / 1000);
}

std::uint32_t VirtualTimeService::startTimer(std::uint32_t periodMs, TimerProc proc)
{
    if (m_refuse.load() || proc == nullptr)
        return 0;
    std::lock_guard lock(m_mutex);
    const std::int64_t period = std::max<std::int64_t>(1, static_cast<std::int64_t>(periodMs) * m_frequency / 1000);
    const std::uint32_t id = m_nextId++;
    m_timers.push_back({id, period, m_now.load() + period, proc});
    return id;
}

void VirtualTimeService::stopTimer(std::uint32_t timerId)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_timers, [&](const Timer& t) { return t.id == timerId; });
}

std::size_t VirtualTimeService::activeTimers() const
{
    std::lock_guard lock(m_mutex);
    return m_timers.size();
}

// Fires the earliest timer due at or before limit; the lock is not held while
// the procedure runs, since it may start or stop timers.
bool VirtualTimeService::fireNext(std::int64_t limit)
{
    TimerProc proc = nullptr;
    std::uint32_t id = 0;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
            return a.due != b.due ? a.due < b.due : a.id < b.id;
        });
        if (it == m_timers.end() || it->due > limit)
            return false;
        if (it->due > m_now.load())
            m_now.store(it->due);
        it->due += it->period;
        proc = it->proc;
        id = it->id;
    }
    proc(id);
    return true;
}

void VirtualTimeService::advanceTicks(std::int64_t ticks)
{
    advanceTo(m_now.load() + std::max<std::int64_t>(0, ticks));
}

void VirtualTimeService::advanceTo(std::int64_t ticks)
{
    while (fireNext(ticks)) {
    }
    if (ticks > m_now.load())
        m_now.store(ticks);
}

void VirtualTimeService::runDue()
{
    advanceTo(m_now.load());
}

} // namespace remorra::os
