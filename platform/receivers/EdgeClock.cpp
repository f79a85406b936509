#include "platform/receivers/EdgeClock.h"

#include "platform/os/TimeService.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/receivers/EdgeSleep.h"

#include <algorithm>

namespace remorra::receivers {

std::int64_t VirtualEdgeClock::now() { return m_clock.nowTicks(); }
std::int64_t VirtualEdgeClock::frequency() { return m_clock.frequency(); }

// Virtual time gets there at once, so a stop request is never first.
bool VirtualEdgeClock::waitUntil(std::int64_t at, const std::atomic<bool>&)
{
    if (at > m_clock.nowTicks())
        m_clock.advanceTo(at);
    return true;
}

void VirtualEdgeClock::signalled(const os::EventHandle* handles, int count)
{
    for (int i = 0; i < count; ++i)
        os::waitUntilHandled(handles[i]);
}

namespace {

// Longest single sleep: how long a stop request may wait for the loop.
constexpr std::int64_t kSliceNs = 50'000'000;

// Whole seconds and the rest apart, so that a wait of many seconds on a
// nanosecond counter does not overflow.
std::int64_t ticksToNs(std::int64_t ticks, std::int64_t frequency)
{
    return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

// Sleeps on the platform's clock to `spinNs` before the instant, then spins on
// the time service's counter.
class RealTimeEdgeClock final : public IEdgeClock {
public:
    explicit RealTimeEdgeClock(std::int64_t spinNs) : m_spinNs(spinNs) {}

    std::int64_t now() override { return os::timeService().counter(); }
    std::int64_t frequency() override { return os::timeService().frequency(); }

    bool waitUntil(std::int64_t at, const std::atomic<bool>& stop) override
    {
        os::ITimeService& time = os::timeService();
        const std::int64_t frequency = time.frequency();
        for (;;) {
            if (stop.load())
                return false;
            const std::int64_t sleepNs = std::min(ticksToNs(at - time.counter(), frequency) - m_spinNs, kSliceNs);
            if (sleepNs <= 0)
                break;
            sleepAtMostNs(sleepNs);
        }
        while (time.counter() < at) {
        }
        return true;
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
