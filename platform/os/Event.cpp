#include "platform/os/Event.h"
#include "platform/os/EventPlatform.h"
#include "platform/os/EventTimes.h"

#include <thread>

namespace remorra::os {

bool setEventAt(EventHandle h, std::int64_t ticks)
{
    if (!isOpenEvent(h))
        return false;
    // Queued before the signal, so that the waiter it wakes finds the instant.
    detail::queueEventTime(h, ticks);
    return setEvent(h);
}

HandledResult waitUntilHandled(EventHandle h, std::chrono::milliseconds limit)
{
    // Polled rather than slept on, so the wait has a bound; the waiter
    // usually returns within a few yields, and only a stuck one costs sleeps.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (int round = 0;; ++round) {
        // Taken, but edges queued with their instants are not all delivered yet.
        if (const std::optional<HandledResult> r = detail::handledNow(h);
            r && !(*r == HandledResult::Handled && detail::eventTimesPending(h)))
            return *r;
        if (round < 200) {
            std::this_thread::yield();
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return HandledResult::TimedOut;
        std::this_thread::sleep_for(std::chrono::microseconds(round < 2000 ? 20 : 1000));
    }
}

} // namespace remorra::os
