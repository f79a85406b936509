#pragma once
// Shared pieces of the benchmarks: a clock that returns scripted instants, an
// allocation counter, burst-start instants of encoded frames, and a CPU load.
#include "platform/os/TimeService.h"
#include "platform/tuner/IrCapture.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace remorra::bench {

// Counts every global operator new of the process (defined in BenchSupport.cpp).
std::uint64_t allocationCount();

// A time service whose counter reads the instant the benchmark set last, so
// the decoders see exactly the intervals of a real signal whatever the cost of
// the loop around them. Timers are only recorded; the benchmark fires them.
class ScriptedTimeService final : public os::ITimeService {
public:
    static constexpr std::int64_t kFrequency = 10'000'000;
    std::int64_t counter() override { return now.load(std::memory_order_relaxed); }
    std::int64_t frequency() override { return kFrequency; }
    void sleepMs(std::uint32_t ms) override { now.fetch_add(ms * (kFrequency / 1000)); }
    std::uint32_t startTimer(std::uint32_t, os::TimerProc p) override {
        proc = p;
        return 1;
    }
    void stopTimer(std::uint32_t) override { proc = nullptr; }
    void fireTimer() {
        if (proc) proc(1);
    }

    std::atomic<std::int64_t> now{0};
    os::TimerProc proc = nullptr;
};

// Instants (µs from the start) of every burst start of a timeline.
std::vector<std::int64_t> burstStartsUs(const tuner::Timeline& t);

// Busy threads at normal priority until destroyed.
class CpuLoad {
public:
    explicit CpuLoad(unsigned threads);
    ~CpuLoad();
    CpuLoad(const CpuLoad&) = delete;
    CpuLoad& operator=(const CpuLoad&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

// Percentile (0..100) of an unsorted sample; sorts it.
double percentile(std::vector<double>& values, double p);

// Spread of signed interval errors (µs): percentiles of their magnitude and
// how many lie beyond `limitUs` either way (a decoder's tolerance).
struct ErrorSpread {
    std::size_t count = 0;
    double p50 = 0, p99 = 0, p999 = 0, max = 0;
    long beyond = 0;
};
ErrorSpread errorSpread(const std::vector<double>& errorsUs, double limitUs);

} // namespace remorra::bench
