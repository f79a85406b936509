// Absolute-time sleeps on the monotonic clock with a short final spin on
// the time service's counter.
#include "platform/os/TimeService.h"
#include "platform/receivers/EdgeClock.h"

#include <cerrno>
#include <ctime>

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
        const std::int64_t aheadNs = (at - time.counter()) * 1'000'000'000 / freq - m_spinNs;
        if (aheadNs > 0) {
            // The counter's origin is its own; the sleep's deadline is on CLOCK_MONOTONIC.
            timespec deadline{};
            clock_gettime(CLOCK_MONOTONIC, &deadline);
            const std::int64_t ns = std::int64_t{deadline.tv_nsec} + aheadNs;
            deadline.tv_sec += static_cast<time_t>(ns / 1'000'000'000);
            deadline.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
            }
        }
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
