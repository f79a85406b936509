#pragma once
// The time seam: everything the decoders and layers need of the platform's
// clock, sleep and timers. The program installs a real service; tests and
// replays install a virtual one so that time moves only when told.
#include <cstdint>

namespace remorra::os {

// Called on the thread that started the timer, from that thread's event loop,
// with the identifier the service returned for it.
using TimerProc = void (*)(std::uint32_t timerId);

class ITimeService {
public:
    virtual ~ITimeService() = default;
    // Monotonic counter and its rate (ticks per second).
    virtual std::int64_t counter() = 0;
    virtual std::int64_t frequency() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Periodic timer; returns 0 when refused. Expiries run on the starting
    // thread's event loop until stopTimer.
    virtual std::uint32_t startTimer(std::uint32_t periodMs, TimerProc proc) = 0;
    virtual void stopTimer(std::uint32_t timerId) = 0;
};

// The process-wide service. Never null: a monotonic-clock service with its
// own per-thread loop (see runTimerLoop) stands in until another is installed.
ITimeService& timeService();
// Installs a service (null restores the default) and returns the previous one.
ITimeService* setTimeService(ITimeService* service);

// Runs due timers of the default service that the calling thread started,
// until `stop` reads true or `maxMs` milliseconds have passed (0 = no limit).
// Plain event loop for tools that run without a toolkit.
void runTimerLoop(const bool volatile* stop, std::uint32_t maxMs);

// Installs a service for the lifetime of a scope (tests, replays).
class ScopedTimeService {
public:
    explicit ScopedTimeService(ITimeService& s) : m_previous(setTimeService(&s)) {}
    ~ScopedTimeService() { setTimeService(m_previous); }
    ScopedTimeService(const ScopedTimeService&) = delete;
    ScopedTimeService& operator=(const ScopedTimeService&) = delete;
private:
    ITimeService* m_previous;
};

} // namespace remorra::os
