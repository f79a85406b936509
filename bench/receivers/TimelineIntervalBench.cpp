// Interval error of the rebuilt edge timeline in real time: a device plays
// NEC frames word by word (or a frame at a time) on the wall clock, the
// capture filter's real-time thread signals each burst start, and a waiter
// timestamps the signals. Reported: p50 and p99 of |measured - received|
// over the intervals between consecutive burst starts, in µs.
#include "platform/os/Event.h"
#include "platform/os/TimeService.h"
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrCaptureFilter.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/KsWire.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::receivers;

namespace {

std::int64_t nowNs() { return os::timeService().counter() * 1'000'000'000 / os::timeService().frequency(); }

// Hands out each word once the instant it describes has passed (plus a
// latency), as the kernel does; `perFrame` holds words until each timeout.
class WallClockDevice final : public IRawIrDevice {
public:
    WallClockDevice(const std::vector<std::uint32_t>& words, bool perFrame, std::int64_t latencyNs)
    {
        const std::int64_t start = nowNs() + 20'000'000;
        std::int64_t pos = start;
        std::size_t frameBegin = 0;
        for (std::uint32_t w : words) {
            std::int64_t end = 0;
            if (mode2Kind(w) == Mode2Kind::Timeout) {
                end = pos + std::int64_t{mode2Value(w)} * 1000;
            } else {
                pos += std::int64_t{mode2Value(w)} * 1000;
                end = pos;
            }
            m_words.push_back(w);
            m_due.push_back(end + latencyNs);
            if (perFrame && mode2Kind(w) == Mode2Kind::Timeout) {
                for (std::size_t i = frameBegin; i < m_due.size(); ++i)
                    m_due[i] = end + latencyNs;
                frameBegin = m_due.size();
            }
        }
    }
    std::string describe() const override { return "bench"; }
    bool open(std::string&) override { return true; }
    bool setMode2(std::string&) override { return true; }
    bool setReceiveTimeout(std::uint32_t) override { return true; }
    Wait wait(std::int64_t timeoutUs) override
    {
        if (m_next >= m_words.size())
            return timeoutUs == 0 ? Wait::Timeout : Wait::Gone;
        const std::int64_t wake = std::min(m_due[m_next], nowNs() + timeoutUs * 1000);
        if (timeoutUs != 0 && wake > nowNs())
            std::this_thread::sleep_for(std::chrono::nanoseconds(wake - nowNs()));
        return m_due[m_next] <= nowNs() ? Wait::Ready : Wait::Timeout;
    }
    int read(std::span<std::uint32_t> out, std::string&) override
    {
        std::size_t n = 0;
        const std::int64_t now = nowNs();
        while (n < out.size() && m_next < m_words.size() && m_due[m_next] <= now)
            out[n++] = m_words[m_next++];
        return static_cast<int>(n);
    }
    void close() override {}

private:
    std::vector<std::uint32_t> m_words;
    std::vector<std::int64_t> m_due;
    std::size_t m_next = 0;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

void BM_RebuiltIntervalError(benchmark::State& state)
{
    const bool perFrame = state.range(0) != 0;
    tuner::EncodeOptions o;
    o.frames = 4;
    o.gapMs = 150;
    o.jitterUs = 40;
    const tuner::Timeline capture = tuner::encodeNec(0xFB04, 0x12, 3, false, o);
    // Received intervals between consecutive burst starts.
    std::vector<std::int64_t> expected;
    for (std::size_t i = 0; i + 2 < capture.size(); i += 2)
        expected.push_back(std::int64_t{capture[i]} + capture[i + 1]);

    std::vector<double> errors;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        const os::EventHandle edge = os::createEvent();
        const os::EventHandle stop = os::createEvent();
        std::vector<std::int64_t> seen;
        seen.reserve(expected.size() + 1);
        std::thread waiter([&] {
            os::raiseThreadPriority();
            const os::EventHandle handles[2] = {edge, stop};
            while (os::waitForEvents(handles, 2) == 0)
                seen.push_back(nowNs());
        });
        RawIrCaptureFilter::Options options;
        options.log = [&](const std::string&) { done.store(true); };
        {
            RawIrCaptureFilter filter(
                std::make_unique<WallClockDevice>(toMode2Words(capture, 125'000), perFrame, 200'000), options);
            std::uint8_t record[tuner::kChipEventDataSize];
            tuner::fillEventData(record, sizeof record, edge, 4);
            std::uint32_t returned = 0;
            filter.ksEvent(tuner::eventEnableRequest(tuner::kChipEventSet, 4), record, &returned);
            while (!done.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            filter.ksEvent({}, std::span(record, tuner::kDisableEventDataSize), &returned);
        }
        os::setEvent(stop);
        waiter.join();
        os::closeEvent(edge);
        os::closeEvent(stop);
        // A missed signal would pair the wrong intervals: skip such runs.
        if (seen.size() != expected.size() + 1) {
            state.counters["missed_runs"] += 1;
            continue;
        }
        for (std::size_t i = 0; i < expected.size(); ++i)
            errors.push_back(std::abs(static_cast<double>(seen[i + 1] - seen[i]) / 1000.0 -
                                      static_cast<double>(expected[i])));
    }
    state.counters["p50_us"] = percentile(errors, 0.50);
    state.counters["p99_us"] = percentile(errors, 0.99);
    state.counters["intervals"] = static_cast<double>(errors.size());
}

} // namespace

BENCHMARK(BM_RebuiltIntervalError)->Arg(0)->Arg(1)->ArgNames({"per_frame"})->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
