#pragma once
// Virtual time for tests and replays: the counter moves only through advance(),
// sleeps, or the optional per-read step; due timers fire in order of expiry
// on the thread that calls advance().
#include "platform/os/TimeService.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace remorra::os {

class VirtualTimeService final : public ITimeService {
public:
    // Ticks per second; the default gives 100 ns ticks.
    explicit VirtualTimeService(std::int64_t frequency = 10'000'000);

    std::int64_t counter() override;
    std::int64_t frequency() override { return m_frequency; }
    // Moves the clock on by ms without firing timers: a sleep may run on any
    // thread, while timers belong to the thread that drives advance().
    void sleepMs(std::uint32_t ms) override;
    std::uint32_t startTimer(std::uint32_t periodMs, TimerProc proc) override;
    void stopTimer(std::uint32_t timerId) override;

    // Moves the clock forward, firing every timer that falls due on the way,
    // each at its own instant.
    void advanceTicks(std::int64_t ticks);
    void advanceUs(std::int64_t us) { advanceTicks(us * m_frequency / 1'000'000); }
    void advanceMs(std::int64_t ms) { advanceTicks(ms * m_frequency / 1'000); }
    // Moves the clock to an absolute tick count (never backwards).
    void advanceTo(std::int64_t ticks);
    // Fires timers due at the current instant (after sleeps moved the clock).
    void runDue();

    // Every counter read adds this many ticks afterwards (0 = off), so a
    // busy-wait on the counter ends.
    void setStepPerRead(std::int64_t ticks) { m_step.store(ticks); }
    void setCounter(std::int64_t ticks) { m_now.store(ticks); }
    // Makes startTimer refuse (returns 0) while set.
    void setRefuseTimers(bool refuse) { m_refuse.store(refuse); }

    std::size_t activeTimers() const;
    std::int64_t nowTicks() const { return m_now.load(); }
    std::int64_t nowUs() const { return m_now.load() * 1'000'000 / m_frequency; }

private:
    struct Timer {
        std::uint32_t id;
        std::int64_t period;
        std::int64_t due;
        TimerProc proc;
    };
    bool fireNext(std::int64_t limit);

    const std::int64_t m_frequency;
    std::atomic<std::int64_t> m_now{0};
    std::atomic<std::int64_t> m_step{0};
    std::atomic<bool> m_refuse{false};
    mutable std::mutex m_mutex;
    std::vector<Timer> m_timers;
    std::uint32_t m_nextId = 1;
};

} // namespace remorra::os
