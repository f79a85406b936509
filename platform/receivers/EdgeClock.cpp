#include "platform/receivers/EdgeClock.h"

#include "platform/os/TimeService.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/receivers/EdgeSleep.h"

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

namespace {

// Sleeps on the platform's clock to `spinNs` before the instant, then spins on
// the time service's counter.
class RealTimeEdgeClock final : public IEdgeClock {
public:
    explicit RealTimeEdgeClock(std::int64_t spinNs) : m_spinNs(spinNs) {}

    std::int64_t now() override { return os::timeService().counter(); }
    std::int64_t frequency() override { return os::timeService().frequency(); }

    void waitUntil(std::int64_t at) override
    {
        os::ITimeService& time = os::timeService();
        const std::int64_t aheadNs = (at - time.counter()) * 1'000'000'000 / time.frequency() - m_spinNs;
        if (aheadNs > 0)
            sleepAtMostNs(aheadNs);
        while (time.counter() < at) {
        }
    }

    void signalled(const os::EventHandle*, int) override {}
    void prepareThread() override { os::raiseThreadPriority(); }

private:
    std::int64_t m_spinNs;
};

} // namespace

std::unique_ptr<IEdgeClock> makeRealTimeEdgeClock(std::int64_t spinNs)
{
    return std::make_unique<RealTimeEdgeClock>(spinNs);
}

} // namespace remorra::receivers
