// NEC frames decoded in real time through each receiver source and through
// the tuner card, in one run. Each frame carries its own number in its
// address, so every report names the frame it came from: right, wrong (a
// frame that never was, or one out of order) or extra (twice). Sources:
//   lirc   — the kernel's raw IR device: each mode2 word once the instant it
//            describes has passed, plus a latency;
//   gpio   — a GPIO line: edge events with the kernel's timestamps, turned
//            into words as GpioLine does;
//   replay — a capture read whole at the start;
//   card   — the simulated tuner card playing the same signal on its pin.
// Every edge handed to the front end is also timed where the decoders read
// time (tmIGetTime); the interval error is that time's step from one burst
// start to the next against the step played.
#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "bench/support/BenchSupport.h"
#include "platform/os/TimeService.h"
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrCaptureFilter.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"
#include "tmIR_Decoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::receivers;

namespace {

constexpr std::uint32_t kReceiveTimeoutUs = 125'000;

struct Args {
    std::string source = "all";
    long frames = 1000;
    std::uint32_t gapMs = 4;
    std::int64_t latencyUs = 200;
    unsigned load = 0;
};

void usage()
{
    std::fprintf(stderr,
                 "usage: receivers_bench [lirc|gpio|replay|card|all] [--frames N] [--gap-ms G] [--latency-us L]\n"
                 "                       [--load THREADS]\n"
                 "  N NEC frames (default 1000, about 72 ms each), G ms of idle line between them (default 4),\n"
                 "  words and edge events handed out L us (default 200) after the instant they describe\n");
    std::exit(2);
}

Args parse(int argc, char** argv)
{
    Args a;
    int i = 1;
    if (i < argc && argv[i][0] != '-')
        a.source = argv[i++];
    if (a.source != "lirc" && a.source != "gpio" && a.source != "replay" && a.source != "card" && a.source != "all")
        usage();
    for (; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--frames" && i + 1 < argc)
            a.frames = std::atol(argv[++i]);
        else if (opt == "--gap-ms" && i + 1 < argc)
            a.gapMs = static_cast<std::uint32_t>(std::atol(argv[++i]));
        else if (opt == "--latency-us" && i + 1 < argc)
            a.latencyUs = std::atol(argv[++i]);
        else if (opt == "--load" && i + 1 < argc)
            a.load = static_cast<unsigned>(std::atoi(argv[++i]));
        else
            usage();
    }
    // The frame number travels in the 16-bit address.
    if (a.frames <= 0 || a.frames > 65535 || a.latencyUs < 0)
        usage();
    return a;
}

std::uint8_t commandOf(long frame) { return static_cast<std::uint8_t>(frame * 37 + 1); }

// Frames 1..N back to back. A gap under the receive timeout brings no
// timeout report, as a receiver sees a held-down remote.
tuner::Timeline framesTimeline(const Args& a)
{
    tuner::Timeline all;
    tuner::EncodeOptions o;
    o.gapMs = a.gapMs;
    o.jitterUs = 40;
    for (long k = 1; k <= a.frames; ++k) {
        o.seed = static_cast<std::uint32_t>(k);
        const tuner::Timeline frame = tuner::encodeNec(static_cast<std::uint32_t>(k), commandOf(k), 0, false, o);
        if (all.size() % 2 == 1)
            all.push_back(a.gapMs * 1000);
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

std::int64_t ticksOfUs(std::int64_t us) { return us * os::timeService().frequency() / 1'000'000; }

// A receiver on the wall clock. Each word (or, for a GPIO line, each edge
// event) becomes readable at its due instant; a quiet receiver after the last
// one: waits time out.
class WallClockReceiver final : public IRawIrDevice {
public:
    enum class Kind { Lirc, Gpio, Replay };

    WallClockReceiver(Kind kind, const tuner::Timeline& capture, std::int64_t startTicks, std::int64_t latencyUs)
        : m_kind(kind), m_durations(kReceiveTimeoutUs)
    {
        if (kind == Kind::Gpio) {
            // A falling edge starts each burst, a rising one ends it.
            std::int64_t us = 0;
            for (std::size_t i = 0; i < capture.size(); ++i) {
                m_events.push_back({i % 2 == 1, us * 1000});
                m_due.push_back(startTicks + ticksOfUs(us + latencyUs));
                us += capture[i];
            }
            if (capture.size() % 2 == 1) {
                m_events.push_back({true, us * 1000});
                m_due.push_back(startTicks + ticksOfUs(us + latencyUs));
            }
            return;
        }
        std::int64_t posUs = 0;
        for (std::uint32_t w : toMode2Words(capture, kReceiveTimeoutUs)) {
            // A timeout report comes its value after the last pulse; the
            // space after it covers the whole gap.
            const bool timeout = mode2Kind(w) == Mode2Kind::Timeout;
            const std::int64_t endUs = timeout ? posUs + mode2Value(w) : (posUs += mode2Value(w));
            m_words.push_back(w);
            m_due.push_back(kind == Kind::Replay ? startTicks : startTicks + ticksOfUs(endUs + latencyUs));
        }
    }
    std::string describe() const override { return "bench"; }
    bool open(std::string&) override { return true; }
    bool setMode2(std::string&) override { return true; }
    bool setReceiveTimeout(std::uint32_t) override { return m_kind != Kind::Gpio; }
    Wait wait(std::int64_t timeoutUs) override
    {
        os::ITimeService& time = os::timeService();
        const std::int64_t now = time.counter();
        const std::int64_t limit = now + ticksOfUs(timeoutUs);
        const std::int64_t wake = m_next < m_due.size() ? std::min(m_due[m_next], limit) : limit;
        if (wake > now)
            std::this_thread::sleep_for(std::chrono::nanoseconds((wake - now) * 1'000'000'000 / time.frequency()));
        return m_next < m_due.size() && m_due[m_next] <= time.counter() ? Wait::Ready : Wait::Timeout;
    }
    int read(std::span<std::uint32_t> out, std::string&) override
    {
        const std::int64_t now = os::timeService().counter();
        std::size_t n = 0;
        while (n < out.size() && m_next < m_due.size() && m_due[m_next] <= now) {
            if (m_kind == Kind::Gpio) {
                const Event& e = m_events[m_next];
                n += static_cast<std::size_t>(m_durations.edge(e.rising, e.ns, out.data() + n));
            } else {
                out[n++] = m_words[m_next];
            }
            ++m_next;
        }
        if (m_next == m_due.size())
            m_allRead.store(true, std::memory_order_release);
        return static_cast<int>(n);
    }
    void close() override {}
    bool allRead() const { return m_allRead.load(std::memory_order_acquire); }

private:
    struct Event {
        bool rising;
        std::int64_t ns;
    };
    Kind m_kind;
    EdgeDurations m_durations;
    std::vector<std::uint32_t> m_words;
    std::vector<Event> m_events;
    std::vector<std::int64_t> m_due; // counter ticks
    std::size_t m_next = 0;
    std::atomic<bool> m_allRead{false};
};

// Between the interrupt layer and the front end: reads the time as the
// decoders do for each edge, then hands the edge on.
class TimedLayer final : public tmIInterruptLayer, public CInterruptCallback {
public:
    TimedLayer(tmIInterruptLayer& inner, std::size_t capacity) : m_inner(inner), m_times(capacity) {}
    std::int32_t tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source, CInterruptCallback* callback) override
    {
        m_front.store(callback);
        return m_inner.tmIEnableInterrupt(pin, source, this);
    }
    std::int32_t tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source) override
    {
        return m_inner.tmIDisableInterrupt(pin, source);
    }
    void OnInterrupt(const std::uint32_t* edge) override
    {
        std::uint64_t t = 0;
        m_clock.tmIGetTime(&t);
        const std::size_t i = m_count.load(std::memory_order_relaxed);
        if (i < m_times.size())
            m_times[i] = t;
        m_count.store(i + 1, std::memory_order_release);
        if (CInterruptCallback* front = m_front.load())
            front->OnInterrupt(edge);
    }
    // The times are written on the interrupt thread; read once the layer has stopped.
    std::vector<std::uint64_t> times() const
    {
        const std::size_t n = std::min(m_count.load(), m_times.size());
        return {m_times.begin(), m_times.begin() + static_cast<std::ptrdiff_t>(n)};
    }
    std::size_t count() const { return m_count.load(std::memory_order_acquire); }

private:
    tmIInterruptLayer& m_inner;
    tmCOSDependTimeOut m_clock;
    std::atomic<CInterruptCallback*> m_front{nullptr};
    std::vector<std::uint64_t> m_times; // 100 ns
    std::atomic<std::size_t> m_count{0};
};

struct Reports final : CIR_DecoderCallback {
    explicit Reports(std::size_t capacity) : keys(capacity) {}
    void OnIrKey(std::int32_t type, const void* report) override
    {
        if (type != TM_IR_DECODER_NEC)
            return;
        const auto* r = static_cast<const tmIrNecReport*>(report);
        const std::size_t i = count.load(std::memory_order_relaxed);
        if (i < keys.size())
            keys[i] = {r->address, r->command, r->repeat};
        count.store(i + 1, std::memory_order_release);
    }
    struct Key {
        std::uint16_t address;
        std::uint8_t command;
        std::uint32_t repeat;
    };
    std::vector<Key> keys;
    std::atomic<std::size_t> count{0};
};

struct Outcome {
    long right = 0, wrong = 0, extra = 0;
};

Outcome judge(const Reports& reports, long frames)
{
    constexpr long kWindow = 100;
    Outcome o;
    std::vector<bool> seen(static_cast<std::size_t>(frames) + 1, false);
    long last = 0;
    const std::size_t n = std::min(reports.count.load(), reports.keys.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto& k = reports.keys[i];
        const long frame = k.address;
        // A misread address can pass as a frame far ahead: it is wrong, and
        // the frames after it are judged from the last right one.
        if (k.repeat != 0 || frame < 1 || frame > frames || k.command != commandOf(frame) || frame < last ||
            frame > last + kWindow) {
            ++o.wrong;
            continue;
        }
        if (seen[static_cast<std::size_t>(frame)]) {
            ++o.extra;
            continue;
        }
        seen[static_cast<std::size_t>(frame)] = true;
        last = frame;
        ++o.right;
    }
    return o;
}

// Each time read belongs to the last burst start signalled at or before it
// (`played`, ticks): a burst whose signal merged with the next one's into a
// single wake-up has no time of its own, and only its intervals drop out.
bench::ErrorSpread intervalErrors(const std::vector<std::uint64_t>& times, const std::vector<std::int64_t>& played,
                                  const std::vector<std::int64_t>& startsUs)
{
    const std::int64_t freq = os::timeService().frequency();
    std::vector<std::uint64_t> played100;
    for (std::int64_t t : played)
        played100.push_back(tmCOSDependTimeOut::ToTime100ns(static_cast<std::uint64_t>(t), freq));
    std::vector<double> errors;
    std::size_t previous = startsUs.size();
    for (std::size_t j = 0; j < times.size(); ++j) {
        const auto after = std::upper_bound(played100.begin(), played100.end(), times[j]);
        if (after == played100.begin())
            continue;
        const std::size_t burst = static_cast<std::size_t>(after - played100.begin()) - 1;
        if (burst >= startsUs.size())
            break;
        if (j > 0 && previous + 1 == burst)
            errors.push_back(static_cast<double>(times[j] - times[j - 1]) / 10.0 -
                             static_cast<double>(startsUs[burst] - startsUs[burst - 1]));
        previous = burst;
    }
    return bench::errorSpread(errors, 224);
}

// Probe, layers and NEC front end on `filter` as start-up assembles them;
// `play` plays the signal and returns once it is over.
void decodeOn(tuner::ICaptureFilter& filter, Reports& reports, TimedLayer*& timed, std::size_t bursts,
              std::vector<std::uint64_t>& times, const std::function<void()>& play)
{
    const std::uint16_t id = tuner::probeImplementationId(&filter);
    CGPIO_Interface gpio(&filter, id);
    CInterrupt_Interface interrupts(id, &filter);
    if (id != 0)
        gpio.tmISetPinDirection(0x10, 0x10);
    TimedLayer layer(interrupts, bursts + 64);
    timed = &layer;
    COSDependFactory factory;
    const tmIrHwInfo hw{TM_IR_DECODER_NEC, 4, 0, TM_IR_CAPTURE_EDGE};
    {
        tmIIrDecoder frontEnd(&reports, &gpio, &layer, &factory, &hw);
        play();
    }
    interrupts.StopThread();
    times = layer.times();
    timed = nullptr;
}

int runSource(const Args& a, const std::string& source)
{
    const tuner::Timeline capture = framesTimeline(a);
    const std::vector<std::int64_t> starts = bench::burstStartsUs(capture);
    std::int64_t totalUs = 0;
    for (auto d : capture)
        totalUs += d;
    std::fprintf(stderr, "%s: %ld frames over %.0f s\n", source.c_str(), a.frames, static_cast<double>(totalUs) / 1e6);

    Reports reports(static_cast<std::size_t>(a.frames) + 64);
    std::vector<std::uint64_t> times;
    std::vector<std::int64_t> played;
    TimedLayer* timed = nullptr;
    std::uint32_t late = 0;
    bool inTime = true;
    os::ITimeService& time = os::timeService();
    const std::int64_t freq = time.frequency();
    bench::CpuLoad load(a.load);
    if (source == "card") {
        tuner::SimTunerCard card;
        decodeOn(card, reports, timed, starts.size(), times, [&] {
            card.load(capture, time.counter() + freq / 5);
            card.startPlayer();
            card.joinPlayer();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        });
        for (std::size_t k = 0; k < card.playedTicks().size(); k += 2)
            played.push_back(card.playedTicks()[k]);
    } else {
        const auto kind = source == "lirc"   ? WallClockReceiver::Kind::Lirc
                          : source == "gpio" ? WallClockReceiver::Kind::Gpio
                                             : WallClockReceiver::Kind::Replay;
        const std::int64_t startTicks = time.counter() + freq / 5;
        auto owned = std::make_unique<WallClockReceiver>(kind, capture, startTicks, a.latencyUs);
        const WallClockReceiver& device = *owned;
        std::mutex logMutex;
        std::vector<std::string> log;
        RawIrCaptureFilter::Options options;
        options.receiveTimeoutUs = kReceiveTimeoutUs;
        options.recordBursts = starts.size();
        options.log = [&](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        };
        RawIrCaptureFilter filter(std::move(owned), options);
        // The run ends when the device has handed out everything and the
        // edges have stopped coming; one still going two seconds after the
        // signal's end has failed.
        const std::int64_t deadline = startTicks + ticksOfUs(totalUs) + 2 * freq;
        decodeOn(filter, reports, timed, starts.size(), times, [&] {
            std::size_t count = 0;
            std::int64_t changedAt = time.counter();
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                const std::size_t now = timed ? timed->count() : 0;
                const std::int64_t t = time.counter();
                if (now != count) {
                    count = now;
                    changedAt = t;
                }
                if (count >= starts.size() || (device.allRead() && t - changedAt > freq / 2))
                    break;
                if (t > deadline) {
                    inTime = false;
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        });
        late = filter.lateEdges();
        played = filter.playedTicks();
        for (const auto& line : log)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    const Outcome o = judge(reports, a.frames);
    const bench::ErrorSpread e = intervalErrors(times, played, starts);
    std::printf("%-6s frames=%ld right=%ld (%.2f%%) missed=%ld wrong=%ld extra=%ld | edges=%zu delivered=%zu "
                "intervals=%zu |error| p50=%.1fus p99=%.1fus p99.9=%.1fus max=%.1fus beyond_224us=%ld "
                "late_edges=%u load=%u%s\n",
                source.c_str(), a.frames, o.right, 100.0 * static_cast<double>(o.right) / static_cast<double>(a.frames),
                a.frames - o.right, o.wrong, o.extra, starts.size(), times.size(), e.count, e.p50, e.p99, e.p999,
                e.max, e.beyond, late, a.load, inTime ? "" : " FAILED: still playing at the deadline");
    std::fflush(stdout);
    return inTime ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const Args a = parse(argc, argv);
    int rc = 0;
    for (const char* source : {"lirc", "gpio", "replay", "card"})
        if (a.source == "all" || a.source == source)
            rc |= runSource(a, source);
    return rc;
}
