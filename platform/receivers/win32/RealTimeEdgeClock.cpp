// Sleep for the bulk of the wait, then spin on the time service's counter:
// Sleep's granularity is the system tick, so the spin takes up the rest.
#include "platform/os/TimeService.h"
#include "platform/receivers/EdgeClock.h"

#include <windows.h>

namespace remorra::receivers {
namespace {

class RealTimeEdgeClock final : public IEdgeClock {
public:
    explicit RealTimeEdgeClock(std::int64_t spinNs) : m_spinNs(spinNs) {}

    std::int64_t now() override { return os::timeService().counter(); }
    std::int64_t frequency() override { return os::timeService().frequency(); }

    void waitUntil(std::int64_t at) override
    {
        os::ITimeService& time = os::timeService();
        const std::int64_t freq = time.frequency();
        // One tick of slack beyond the spin, since Sleep may overrun by that much.
        const std::int64_t aheadMs = ((at - time.counter()) * 1'000'000'000 / freq - m_spinNs) / 1'000'000 - 16;
        if (aheadMs > 0)
            Sleep(static_cast<DWORD>(aheadMs));
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
