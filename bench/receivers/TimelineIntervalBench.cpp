// Interval error of the rebuilt edge timeline in real time. A device plays NEC
// presses on the wall clock and hands out each mode2 word once the instant it
// describes has passed (plus a latency): word by word, or a whole frame at its
// timeout report. The capture filter rebuilds the timeline on its real-time
// thread and signals each burst start; the interrupt layer's thread stamps
// them where the front end would. Reported: |measured - received| over the
// intervals between burst starts inside a frame; the gap before a frame is
// left out, because the rebuild anchors every frame afresh.
#include "bench/support/BenchSupport.h"
#include "platform/os/TimeService.h"
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrCaptureFilter.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/KsWire.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::receivers;

namespace {

constexpr std::uint32_t kReceiveTimeoutUs = 125'000;
constexpr int kRepeats = 2;

struct Args {
    std::string batch = "both"; // word, frame or both
    long presses = 40;
    std::int64_t latencyUs = 200;
    unsigned load = 0;
};

void usage()
{
    std::fprintf(stderr,
                 "usage: receivers_bench [word|frame|both] [--count PRESSES] [--latency-us N] [--load THREADS]\n"
                 "  PRESSES NEC presses (a frame and %d repeat codes, 200 ms apart; default 40, about 17 s)\n"
                 "  played once per batching: words handed out one by one (word) or a frame at its\n"
                 "  timeout report (frame), each N µs (default 200) after the instant it describes\n",
                 kRepeats);
    std::exit(2);
}

Args parse(int argc, char** argv)
{
    Args a;
    int i = 1;
    if (i < argc && argv[i][0] != '-')
        a.batch = argv[i++];
    if (a.batch != "word" && a.batch != "frame" && a.batch != "both")
        usage();
    for (; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--count" && i + 1 < argc)
            a.presses = std::atol(argv[++i]);
        else if (opt == "--latency-us" && i + 1 < argc)
            a.latencyUs = std::atol(argv[++i]);
        else if (opt == "--load" && i + 1 < argc)
            a.load = static_cast<unsigned>(std::atoi(argv[++i]));
        else
            usage();
    }
    if (a.presses <= 0 || a.latencyUs < 0)
        usage();
    return a;
}

std::int64_t ticksOfUs(std::int64_t us) { return us * os::timeService().frequency() / 1'000'000; }

// Hands out each word once the instant it describes has passed, as the
// kernel does; `perFrame` holds a frame's words until its timeout report.
// A quiet receiver after the last word: waits time out.
class WallClockDevice final : public IRawIrDevice {
public:
    WallClockDevice(const std::vector<std::uint32_t>& words, bool perFrame, std::int64_t startTicks,
                    std::int64_t latencyUs)
    {
        std::int64_t posUs = 0;
        std::size_t frameBegin = 0;
        for (std::uint32_t w : words) {
            const bool timeout = mode2Kind(w) == Mode2Kind::Timeout;
            // A timeout report comes its value after the last pulse; the
            // space after it covers the whole gap.
            const std::int64_t endUs = timeout ? posUs + mode2Value(w) : (posUs += mode2Value(w));
            m_words.push_back(w);
            m_due.push_back(startTicks + ticksOfUs(endUs + latencyUs));
            if (perFrame && timeout) {
                std::fill(m_due.begin() + static_cast<std::ptrdiff_t>(frameBegin), m_due.end(), m_due.back());
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
        os::ITimeService& time = os::timeService();
        const std::int64_t now = time.counter();
        const std::int64_t limit = now + ticksOfUs(timeoutUs);
        const std::int64_t wake = m_next < m_words.size() ? std::min(m_due[m_next], limit) : limit;
        if (wake > now)
            std::this_thread::sleep_for(std::chrono::nanoseconds((wake - now) * 1'000'000'000 / time.frequency()));
        return m_next < m_words.size() && m_due[m_next] <= time.counter() ? Wait::Ready : Wait::Timeout;
    }
    int read(std::span<std::uint32_t> out, std::string&) override
    {
        const std::int64_t now = os::timeService().counter();
        std::size_t n = 0;
        while (n < out.size() && m_next < m_words.size() && m_due[m_next] <= now)
            out[n++] = m_words[m_next++];
        if (m_next == m_words.size())
            m_allRead.store(true, std::memory_order_release);
        return static_cast<int>(n);
    }
    void close() override {}
    bool allRead() const { return m_allRead.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_allRead{false};
    std::vector<std::uint32_t> m_words;
    std::vector<std::int64_t> m_due; // counter ticks
    std::size_t m_next = 0;
};

// Burst starts as the interrupt layer's thread sees them.
struct BurstTimes final : CInterruptCallback {
    explicit BurstTimes(std::size_t capacity) : ticks(capacity) {}
    void OnInterrupt(const std::uint32_t*) override
    {
        const std::int64_t now = os::timeService().counter();
        const std::size_t i = count.load(std::memory_order_relaxed);
        if (i < ticks.size())
            ticks[i] = now;
        count.store(i + 1, std::memory_order_release);
    }
    std::vector<std::int64_t> ticks;
    std::atomic<std::size_t> count{0};
};

// Pairs each stamp with a burst start, in order. When the filter signals
// twice before the interrupt thread wakes, the two make one wake-up: that
// burst's stamp is lost. The pairing skips at most `maxLost` bursts and is
// the one whose stamp-to-stamp intervals differ least from the played ones.
// Returns each stamp's burst index; empty when no pairing fits.
std::vector<std::size_t> pairStamps(const std::vector<double>& stampsUs, const std::vector<std::int64_t>& startsUs,
                                    std::size_t maxLost)
{
    const std::size_t m = stampsUs.size();
    const std::size_t n = startsUs.size();
    if (m == 0 || m > n || n - m > maxLost)
        return {};
    // Stamp j pairs with burst j + k, k in 0..lost.
    const std::size_t lost = n - m;
    const std::size_t width = lost + 1;
    constexpr double kNone = 1e300;
    std::vector<double> cost(width, 0.0);
    std::vector<std::size_t> from(m * width, 0);
    for (std::size_t j = 1; j < m; ++j) {
        std::vector<double> next(width, kNone);
        const double seen = stampsUs[j] - stampsUs[j - 1];
        for (std::size_t k = 0; k < width; ++k)
            for (std::size_t pk = 0; pk <= k; ++pk) {
                if (cost[pk] >= kNone)
                    continue;
                const double played = static_cast<double>(startsUs[j + k] - startsUs[j - 1 + pk]);
                const double c = cost[pk] + std::abs(seen - played);
                if (c < next[k]) {
                    next[k] = c;
                    from[j * width + k] = pk;
                }
            }
        cost = std::move(next);
    }
    std::size_t k = static_cast<std::size_t>(std::min_element(cost.begin(), cost.end()) - cost.begin());
    std::vector<std::size_t> burst(m);
    for (std::size_t j = m; j-- > 0;) {
        burst[j] = j + k;
        k = from[j * width + k];
    }
    return burst;
}

int runBatch(const Args& a, bool perFrame)
{
    const char* name = perFrame ? "frame" : "word";
    tuner::EncodeOptions o;
    o.frames = static_cast<int>(a.presses);
    o.gapMs = 200; // above the receive timeout: every press is a frame of its own
    o.jitterUs = 40;
    const tuner::Timeline capture = tuner::encodeNec(0xFB04, 0x12, kRepeats, false, o);
    const std::vector<std::int64_t> starts = bench::burstStartsUs(capture);
    std::int64_t totalUs = 0;
    for (auto d : capture)
        totalUs += d;

    BurstTimes times(starts.size() + 16);
    std::mutex logMutex;
    std::vector<std::string> log;
    RawIrCaptureFilter::Options options;
    options.receiveTimeoutUs = kReceiveTimeoutUs;
    options.log = [&](const std::string& line) {
        std::lock_guard lock(logMutex);
        log.push_back(line);
    };
    os::ITimeService& time = os::timeService();
    const std::int64_t freq = time.frequency();
    const std::int64_t startTicks = time.counter() + freq / 5;
    // The run ends when every burst start has been stamped, or when the device
    // has handed out everything and the stamps have stopped coming (the
    // rebuild plays at most one press after its last read); a run still going
    // at the deadline has failed.
    const std::int64_t deadline = startTicks + ticksOfUs(totalUs) + ticksOfUs(kReceiveTimeoutUs) + 2 * freq;
    const std::int64_t settled = freq / 2;
    bool inTime = true;
    std::uint32_t late = 0;
    {
        bench::CpuLoad load(a.load);
        auto owned = std::make_unique<WallClockDevice>(toMode2Words(capture, kReceiveTimeoutUs), perFrame, startTicks,
                                                       a.latencyUs);
        const WallClockDevice& device = *owned;
        RawIrCaptureFilter filter(std::move(owned), options);
        CInterrupt_Interface interrupts(tuner::probeImplementationId(&filter), &filter);
        if (interrupts.tmIEnableInterrupt(4, 0, &times) != 0) {
            std::fprintf(stderr, "could not register the pin event: %s\n", interrupts.Status());
            return 1;
        }
        std::size_t count = 0;
        std::int64_t changedAt = time.counter();
        for (;;) {
            const std::size_t now = times.count.load(std::memory_order_acquire);
            const std::int64_t t = time.counter();
            if (now != count) {
                count = now;
                changedAt = t;
            }
            if (count >= starts.size() || (device.allRead() && t - changedAt > settled))
                break;
            if (t > deadline) {
                inTime = false;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        interrupts.tmIDisableInterrupt(4, 0);
        late = filter.lateEdges();
    }
    for (const auto& line : log)
        std::fprintf(stderr, "%s\n", line.c_str());
    const std::size_t seen = std::min(times.count.load(std::memory_order_acquire), times.ticks.size());
    const double usPerTick = 1e6 / static_cast<double>(freq);
    std::vector<double> stampsUs;
    for (std::size_t i = 0; i < seen; ++i)
        stampsUs.push_back(static_cast<double>(times.ticks[i] - times.ticks[0]) * usPerTick);
    // Losing a few bursts in a hundred is a result; more means the run broke.
    const std::vector<std::size_t> burst = pairStamps(stampsUs, starts, starts.size() / 20 + 2);
    if (!inTime || burst.empty()) {
        std::printf("receivers batch=%s FAILED: %zu of %zu burst starts stamped%s\n", name, seen, starts.size(),
                    inTime ? "" : " by the deadline");
        return 1;
    }

    std::vector<double> errors;
    for (std::size_t j = 1; j < burst.size(); ++j) {
        const std::size_t i = burst[j];
        // Only neighbours inside a frame: not across a lost stamp, nor a gap.
        if (burst[j - 1] + 1 != i || capture[2 * i - 1] >= kReceiveTimeoutUs)
            continue;
        errors.push_back(stampsUs[j] - stampsUs[j - 1] - static_cast<double>(starts[i] - starts[i - 1]));
    }
    const bench::ErrorSpread e = bench::errorSpread(errors, 224);
    std::printf("receivers batch=%s latency=%lldus intervals=%zu |error| p50=%.1fus p99=%.1fus p99.9=%.1fus "
                "max=%.1fus beyond_224us=%ld lost_stamps=%zu late_edges=%u load=%u\n",
                name, static_cast<long long>(a.latencyUs), e.count, e.p50, e.p99, e.p999, e.max, e.beyond,
                starts.size() - seen, late, a.load);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Args a = parse(argc, argv);
    int rc = 0;
    if (a.batch != "frame")
        rc |= runBatch(a, false);
    if (a.batch != "word")
        rc |= runBatch(a, true);
    return rc;
}
