#include "platform/os/DefaultTimeService.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace remorra::os {
namespace {

using Clock = std::chrono::steady_clock;

// Monotonic clock in nanoseconds; timers are kept per starting thread and run
// by that thread's runTimerLoop.
class MonotonicTimeService final : public ITimeService {
public:
    std::int64_t counter() override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    }
    std::int64_t frequency() override { return 1'000'000'000; }
    void sleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::uint32_t startTimer(std::uint32_t periodMs, TimerProc proc) override
    {
        if (proc == nullptr)
            return 0;
        std::lock_guard lock(m_mutex);
        const auto period = std::chrono::milliseconds(std::max<std::uint32_t>(1, periodMs));
        const std::uint32_t id = m_nextId++;
        m_timers.push_back({id, std::this_thread::get_id(), period, Clock::now() + period, proc});
        m_wake.notify_all();
        return id;
    }

    void stopTimer(std::uint32_t timerId) override
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_timers, [&](const Timer& t) { return t.id == timerId; });
    }

    void run(const bool volatile* stop, std::uint32_t maxMs)
    {
        const auto self = std::this_thread::get_id();
        const auto end = maxMs ? Clock::now() + std::chrono::milliseconds(maxMs) : Clock::time_point::max();
        std::unique_lock lock(m_mutex);
        while (!(stop && *stop)) {
            const auto now = Clock::now();
            if (now >= end)
                return;
            Timer* next = nullptr;
            for (auto& t : m_timers)
                if (t.owner == self && (!next || t.due < next->due))
                    next = &t;
            if (next && next->due <= now) {
                next->due += next->period;
                if (next->due < now)
                    next->due = now + next->period; // missed expiries coalesce, as a message queue's do
                const TimerProc proc = next->proc;
                const std::uint32_t id = next->id;
                lock.unlock();
                proc(id);
                lock.lock();
                continue;
            }
            // Wake at least every 10 ms so that a stop flag set elsewhere is seen.
            auto wakeAt = std::min(end, now + std::chrono::milliseconds(10));
            if (next)
                wakeAt = std::min(wakeAt, next->due);
            m_wake.wait_until(lock, wakeAt);
        }
    }

private:
    struct Timer {
        std::uint32_t id;
        std::thread::id owner;
        std::chrono::milliseconds period;
        Clock::time_point due;
        TimerProc proc;
    };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Timer> m_timers;
    std::uint32_t m_nextId = 1;
};

MonotonicTimeService& monotonicService()
{
    static MonotonicTimeService service;
    return service;
}

} // namespace

ITimeService& defaultTimeService() { return monotonicService(); }

void runTimerLoop(const bool volatile* stop, std::uint32_t maxMs)
{
    monotonicService().run(stop, maxMs);
}

} // namespace remorra::os
