#include "platform/receivers/EdgeClock.h"

#include "platform/os/VirtualTimeService.h"

namespace remorra::receivers {

std::int64_t VirtualEdgeClock::now() { return m_clock.nowTicks(); }
std::int64_t VirtualEdgeClock::frequency() { return m_clock.frequency(); }

void VirtualEdgeClock::waitUntil(std::int64_t at)
{
    if (at > m_clock.nowTicks())
        m_clock.advanceTo(at);
}

void VirtualEdgeClock::signalled(const os::EventHandle* handles, int count)
{
    for (int i = 0; i < count; ++i)
        os::waitUntilHandled(handles[i]);
}

} // namespace remorra::receivers
