#pragma once
#include "tmIOSDepend.h"

#include <cstddef>

// Time-out service on the process time seam. All instances share one table
// of 20 timers: creating an instance clears it, destroying any instance stops
// every recorded timer.
class tmCOSDependTimeOut final : public tmIOSDependTimeOut {
public:
    static constexpr std::size_t kTimerEntries = 20;

    tmCOSDependTimeOut();
    ~tmCOSDependTimeOut() override;

    std::int32_t tmIStartTimer(std::uint32_t periodMs, std::int32_t value,
                               tmIOSDependAbstractCB* callback) override;
    std::int32_t tmIGetFrequency(std::int64_t* frequency) override;
    std::int32_t tmIGetCounter(std::int64_t* counter) override;
    void tmIGetTime(std::uint64_t* time100ns) override;
    void tmICheckTimeOutCB(tmIOSDependAbstractCB* callback) override;

    // counter * 10,000,000 / frequency, truncated, without 64-bit overflow.
    static std::uint64_t ToTime100ns(std::uint64_t counter, std::int64_t frequency);
    // Timer ids currently recorded (for diagnostics and tests).
    static std::size_t RecordedTimers();

private:
    std::int64_t m_llFrequency;
};
