#include "platform/os/EdgeTime.h"

#include "platform/os/Event.h"
#include "platform/os/TimeService.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace remorra::os {
namespace {

constexpr std::int64_t kNothing = std::numeric_limits<std::int64_t>::max();

// Plain values: a thread's first use allocates nothing on Linux, and the
// interrupt layer touches them when its thread starts (emulated TLS on MinGW
// allocates there, not on an edge).
thread_local std::int64_t t_edgeTicks = 0;
thread_local bool t_inEdge = false;

struct Hold {
    std::atomic<bool> taken{false};
    std::atomic<std::int64_t> at{kNothing};
};
constexpr int kHolds = 8;
Hold g_holds[kHolds];
std::atomic<int> g_holders{0};

} // namespace

EdgeTimeScope::EdgeTimeScope(std::int64_t ticks) : m_previous(t_edgeTicks), m_hadPrevious(t_inEdge)
{
    t_edgeTicks = ticks;
    t_inEdge = true;
}

EdgeTimeScope::~EdgeTimeScope()
{
    t_edgeTicks = m_previous;
    t_inEdge = m_hadPrevious;
}

std::int64_t decoderNow()
{
    if (t_inEdge)
        return t_edgeTicks;
    std::int64_t now = timeService().counter();
    // Holds before event queues: a source queues an edge on its event before
    // its hold moves on, so an edge between the two is seen in the queue.
    if (g_holders.load() != 0)
        for (const Hold& h : g_holds)
            now = std::min(now, h.at.load());
    std::int64_t queued = 0;
    if (oldestQueuedEventTime(queued))
        now = std::min(now, queued);
    return now;
}

EdgeHold::EdgeHold() : m_slot(-1)
{
    for (int i = 0; i < kHolds; ++i) {
        bool expected = false;
        if (g_holds[i].taken.compare_exchange_strong(expected, true)) {
            g_holds[i].at.store(kNothing);
            m_slot = i;
            g_holders.fetch_add(1);
            return;
        }
    }
}

EdgeHold::~EdgeHold()
{
    if (m_slot < 0)
        return;
    g_holds[m_slot].at.store(kNothing);
    g_holders.fetch_sub(1);
    g_holds[m_slot].taken.store(false);
}

void EdgeHold::hold(std::int64_t ticks)
{
    if (m_slot >= 0)
        g_holds[m_slot].at.store(ticks);
}

void EdgeHold::release()
{
    if (m_slot >= 0)
        g_holds[m_slot].at.store(kNothing);
}

} // namespace remorra::os
