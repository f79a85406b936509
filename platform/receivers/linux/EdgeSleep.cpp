#include "platform/receivers/EdgeSleep.h"

#include <cerrno>
#include <ctime>

namespace remorra::receivers {

// An absolute deadline on CLOCK_MONOTONIC, so that interrupted sleeps resume
// without drifting.
void sleepAtMostNs(std::int64_t aheadNs)
{
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const std::int64_t ns = std::int64_t{deadline.tv_nsec} + aheadNs;
    deadline.tv_sec += static_cast<time_t>(ns / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

} // namespace remorra::receivers
