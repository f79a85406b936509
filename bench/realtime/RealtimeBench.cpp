// Real-time figures that need a distribution over wall-clock time, which
// Google Benchmark does not give:
//   delivery  — from the simulated card signalling an edge to the callback's
//               time read on the interrupt layer's thread, per edge;
//   decode    — NEC presses with repeat codes played by the card in real time
//               through the layers and the front end, counted right, missed,
//               wrong and extra.
// Both run idle or under a CPU load of their own, with or without real-time
// scheduling of the interrupt thread.
#include "OSDependFactory.h"
#include "bench/support/BenchSupport.h"
#include "platform/os/TimeService.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"
#include "keys/KeyReportHandler.h"
#include "keys/linux/LinuxKeyOutputs.h"
#include "tmIR_Decoder.h"
#include "app/ProfileEditor.h"
#include "bench/realtime/XKeyReceiver.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace remorra;

namespace {

struct Args {
    std::string mode = "delivery";
    long count = 100'000;   // edges (delivery) or transmissions (decode)
    unsigned load = 0;      // busy threads
    bool realtime = true;
    bool xtest = false;     // keys: inject with XTest and time the X client's receipt
};

void usage() {
    std::fprintf(stderr,
                 "usage: realtime_bench delivery|decode|intervals|keys|sleep [--count N] [--load THREADS] [--no-rt] [--xtest]\n"
                 "  delivery: N edges (default 100000); decode: N frames and repeat codes (default 10000);\n"
                 "  intervals: burst-start intervals seen on the interrupt thread against the played ones;\n"
                 "  keys: N presses of Up, from the frame's last burst to the first key-down at the output\n"
                 "        (recording output; with --xtest, XTest to a focused X window of its own)\n"
                 "  sleep: N absolute 500 us sleeps of a bare thread, how late each wakes (no layers at all)\n");
    std::exit(2);
}

Args parse(int argc, char** argv) {
    Args a;
    if (argc < 2) usage();
    a.mode = argv[1];
    if (a.mode != "delivery" && a.mode != "decode" && a.mode != "intervals" && a.mode != "keys" &&
        a.mode != "sleep")
        usage();
    if (a.mode == "decode" || a.mode == "intervals") a.count = 10'000;
    if (a.mode == "keys") a.count = 1'000;
    if (a.mode == "sleep") a.count = 20'000;
    for (int i = 2; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--no-rt") a.realtime = false;
        else if (opt == "--xtest") a.xtest = true;
        else if (opt == "--count" && i + 1 < argc) a.count = std::atol(argv[++i]);
        else if (opt == "--load" && i + 1 < argc) a.load = static_cast<unsigned>(std::atoi(argv[++i]));
        else usage();
    }
    if (a.count <= 0) usage();
    return a;
}

// The interrupt layer raises its thread to real-time scheduling where it may;
// for the comparison without it, the thread drops back on its first call.
void dropRealtimeOnce(bool realtime, bool& done) {
    if (realtime || done) return;
    done = true;
    sched_param p{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &p);
}

bool threadIsRealtime() {
    int policy = 0;
    sched_param p{};
    pthread_getschedparam(pthread_self(), &policy, &p);
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

struct DeliveryProbe final : CInterruptCallback {
    void OnInterrupt(const std::uint32_t*) override {
        const std::int64_t now = os::timeService().counter();
        dropRealtimeOnce(realtime, dropped);
        if (!checked) {
            checked = true;
            ranRealtime = threadIsRealtime();
        }
        const auto i = static_cast<std::size_t>(handled.load(std::memory_order_relaxed));
        if (i < latencyTicks.size()) latencyTicks[i] = now - sentAt.load(std::memory_order_acquire);
        handled.fetch_add(1, std::memory_order_release);
        handled.notify_one();
    }
    bool realtime = true;
    bool dropped = false;
    bool checked = false;
    bool ranRealtime = false;
    std::atomic<std::int64_t> sentAt{0};
    std::atomic<long> handled{0};
    std::vector<std::int64_t> latencyTicks;
};

int runDelivery(const Args& a) {
    tuner::SimTunerCard card;
    const std::uint16_t id = tuner::probeImplementationId(&card);
    CInterrupt_Interface interrupts(id, &card);
    DeliveryProbe probe;
    probe.realtime = a.realtime;
    probe.latencyTicks.assign(static_cast<std::size_t>(a.count), 0);
    if (interrupts.tmIEnableInterrupt(4, 0, &probe) != 0) {
        std::fprintf(stderr, "could not register the pin event: %s\n", interrupts.Status());
        return 1;
    }
    bench::CpuLoad load(a.load);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> spacingUs(200, 1200);
    const std::int64_t freq = os::timeService().frequency();
    for (long i = 0; i < a.count; ++i) {
        // Edges arrive at IR rates, a few hundred µs to a few ms apart.
        std::this_thread::sleep_for(std::chrono::microseconds(spacingUs(rng)));
        probe.sentAt.store(os::timeService().counter(), std::memory_order_release);
        card.fire(0);
        long seen = i;
        while ((seen = probe.handled.load(std::memory_order_acquire)) <= i) probe.handled.wait(seen);
    }
    interrupts.tmIDisableInterrupt(4, 0);

    std::vector<double> us;
    us.reserve(probe.latencyTicks.size());
    for (auto t : probe.latencyTicks) us.push_back(static_cast<double>(t) * 1e6 / static_cast<double>(freq));
    const double p50 = bench::percentile(us, 50), p99 = bench::percentile(us, 99),
                 p999 = bench::percentile(us, 99.9), max = us.back();
    std::printf("delivery edges=%ld load=%u realtime=%s p50=%.1fus p99=%.1fus p99.9=%.1fus max=%.1fus\n", a.count,
                a.load, probe.ranRealtime ? "yes" : "no", p50, p99, p999, max);
    return 0;
}

struct KeyLog final : CIR_DecoderCallback {
    explicit KeyLog(std::size_t capacity) : reports(capacity) {}
    void OnIrKey(std::int32_t type, const void* report) override {
        dropRealtimeOnce(realtime, dropped);
        if (type != TM_IR_DECODER_NEC) return;
        const auto* r = static_cast<const tmIrNecReport*>(report);
        const std::size_t i = count.load(std::memory_order_relaxed);
        if (i < reports.size()) reports[i] = {r->address, r->command, r->repeat, os::timeService().counter()};
        count.store(i + 1, std::memory_order_release);
    }
    struct Key {
        std::uint16_t address;
        std::uint8_t command;
        std::uint32_t repeat;
        std::int64_t ticks;
    };
    bool realtime = true;
    bool dropped = false;
    std::vector<Key> reports;
    std::atomic<std::size_t> count{0};
};

// Card, layers and NEC front end in real time, assembled as start-up does.
struct NecPipeline {
    explicit NecPipeline(CIR_DecoderCallback& sink)
        : id(tuner::probeImplementationId(&card)), gpio(&card, id), interrupts(id, &card) {
        if (id != 0) gpio.tmISetPinDirection(0x10, 0x10);
        const tmIrHwInfo hw{TM_IR_DECODER_NEC, 4, 0, TM_IR_CAPTURE_EDGE};
        frontEnd = std::make_unique<tmIIrDecoder>(&sink, &gpio, &interrupts, &factory, &hw);
    }
    tuner::SimTunerCard card;
    std::uint16_t id;
    CGPIO_Interface gpio;
    CInterrupt_Interface interrupts;
    COSDependFactory factory;
    std::unique_ptr<tmIIrDecoder> frontEnd;
};

constexpr int kRepeats = 2;

// Presses of a frame and two repeat codes, commands varying per press.
tuner::Timeline pressTimeline(long presses) {
    tuner::Timeline all;
    tuner::EncodeOptions o;
    o.gapMs = 40;
    for (long p = 0; p < presses; ++p) {
        const auto press = tuner::encodeNec(0xFB04, static_cast<std::uint8_t>(p * 37 + 1), kRepeats, false, o);
        // Timelines alternate burst and space from a burst: keep the parity.
        if (all.size() % 2 == 1) all.push_back(o.gapMs * 1000);
        all.insert(all.end(), press.begin(), press.end());
    }
    return all;
}

struct EdgeTimes final : CInterruptCallback {
    explicit EdgeTimes(std::size_t capacity) : ticks(capacity) {}
    void OnInterrupt(const std::uint32_t*) override {
        const std::int64_t now = os::timeService().counter();
        dropRealtimeOnce(realtime, dropped);
        if (count < ticks.size()) ticks[count] = now;
        ++count;
    }
    bool realtime = true;
    bool dropped = false;
    std::vector<std::int64_t> ticks;
    std::size_t count = 0; // interrupt thread only; read after the layer stops
};

// Where the time goes: each burst-start interval measured on the interrupt
// thread against the one the card played. The NEC decoder accepts a bit
// interval within ±224 µs of nominal.
int runIntervals(const Args& a) {
    const long presses = (a.count + kRepeats) / (kRepeats + 1);
    const tuner::Timeline all = pressTimeline(presses);
    const auto starts = bench::burstStartsUs(all);
    tuner::SimTunerCard card;
    const std::uint16_t id = tuner::probeImplementationId(&card);
    EdgeTimes times(starts.size() + 16);
    times.realtime = a.realtime;
    {
        CInterrupt_Interface interrupts(id, &card);
        interrupts.tmIEnableInterrupt(4, 0, &times);
        bench::CpuLoad load(a.load);
        const std::int64_t freq = os::timeService().frequency();
        card.load(all, os::timeService().counter() + freq / 5);
        card.startPlayer();
        card.joinPlayer();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        interrupts.tmIDisableInterrupt(4, 0);
    }
    // Each stamp belongs to the last burst start signalled before it; a burst
    // whose signal merged with the next one's into a single wake-up has no
    // stamp, and only its own intervals drop out.
    std::vector<std::int64_t> playedStarts;
    for (std::size_t k = 0; k < card.playedTicks().size(); k += 2)
        playedStarts.push_back(card.playedTicks()[k]);
    const double usPerTick = 1e6 / static_cast<double>(os::timeService().frequency());
    std::vector<double> errors;
    std::size_t previous = starts.size();
    for (std::size_t i = 0; i < std::min(times.count, times.ticks.size()); ++i) {
        const auto after = std::upper_bound(playedStarts.begin(), playedStarts.end(), times.ticks[i]);
        if (after == playedStarts.begin()) continue;
        const std::size_t burst = static_cast<std::size_t>(after - playedStarts.begin()) - 1;
        if (i > 0 && previous + 1 == burst)
            errors.push_back(static_cast<double>(times.ticks[i] - times.ticks[i - 1]) * usPerTick -
                             static_cast<double>(starts[burst] - starts[burst - 1]));
        previous = burst;
    }
    const bench::ErrorSpread e = bench::errorSpread(errors, 224);
    std::printf("intervals edges_played=%zu edges_seen=%zu intervals=%zu |error| p50=%.1fus p99=%.1fus "
                "p99.9=%.1fus max=%.1fus beyond_224us=%ld load=%u realtime=%s\n",
                starts.size(), times.count, e.count, e.p50, e.p99, e.p999, e.max, e.beyond, a.load,
                a.realtime ? "yes" : "no");
    return 0;
}

int runDecode(const Args& a) {
    // Presses of a frame and two repeat codes: the decoder reports the frame
    // and one repeat (the second repeat code's report waits for a burst that
    // the next press's leader supplies, and a new frame is no repeat).
    const long presses = (a.count + kRepeats) / (kRepeats + 1);
    const tuner::Timeline all = pressTimeline(presses);

    KeyLog log(static_cast<std::size_t>(presses) * (kRepeats + 1) + 16);
    log.realtime = a.realtime;
    NecPipeline pipeline(log);
    tuner::SimTunerCard& card = pipeline.card;

    bench::CpuLoad load(a.load);
    std::int64_t totalUs = 0;
    for (auto d : all) totalUs += d;
    std::fprintf(stderr, "playing %ld presses (%ld transmissions) over %.0f s\n", presses,
                 presses * (kRepeats + 1), static_cast<double>(totalUs) / 1e6);
    const std::int64_t freq = os::timeService().frequency();
    card.load(all, os::timeService().counter() + freq / 5);
    card.startPlayer();
    card.joinPlayer();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Expected per press: its frame (repeat 0) and one repeat, both with the
    // press's command. A report belongs to the press whose first burst the
    // card had played before it; one with another press's command (a repeat
    // of the previous key after a missed frame, or a corrupted frame) is
    // wrong, a second report of the press's own is extra.
    constexpr std::size_t kBurstsPerPress = 34 + 2 * kRepeats;
    std::vector<std::int64_t> pressStart;
    for (std::size_t k = 0; k < card.playedTicks().size(); k += 2 * kBurstsPerPress)
        pressStart.push_back(card.playedTicks()[k]);
    long right = 0, wrong = 0, extra = 0;
    std::vector<std::array<bool, 2>> seen(static_cast<std::size_t>(presses), {false, false});
    const std::size_t n = std::min(log.count.load(), log.reports.size());
    for (std::size_t r = 0; r < n; ++r) {
        const auto& k = log.reports[r];
        const auto after = std::upper_bound(pressStart.begin(), pressStart.end(), k.ticks);
        const long p = static_cast<long>(after - pressStart.begin()) - 1;
        if (p < 0 || p >= presses || k.address != 0xFB04 || k.command != static_cast<std::uint8_t>(p * 37 + 1)) {
            ++wrong;
            continue;
        }
        bool& slot = seen[static_cast<std::size_t>(p)][k.repeat == 0 ? 0 : 1];
        if (slot) {
            ++extra;
            continue;
        }
        slot = true;
        ++right;
    }
    const long expected = presses * 2;
    const long missed = expected - right;
    std::printf("decode reports_expected=%ld right=%ld (%.3f%%) missed=%ld wrong=%ld extra=%ld load=%u realtime=%s\n",
                expected, right, 100.0 * static_cast<double>(right) / static_cast<double>(expected), missed, wrong,
                extra, a.load, a.realtime ? "yes" : "no");
    return 0;
}

// Times the first key-down after each frame: at the output call, or, with
// XTest, when a focused window of our own receives the KeyPress.
class TimedOutput final : public keys::IKeyOutput {
public:
    TimedOutput(keys::IKeyOutput& inner, std::vector<std::int64_t>& downs) : m_inner(inner), m_downs(downs) {}
    void keyDown(std::uint8_t vk) override {
        if (!m_inner.backendName() || std::strcmp(m_inner.backendName(), "recording") == 0) note();
        m_inner.keyDown(vk);
    }
    void keyUp(std::uint8_t vk) override { m_inner.keyUp(vk); }
    void pause(std::uint32_t ms) override { m_inner.pause(ms); }
    bool windowExists(const char* title) override { return m_inner.windowExists(title); }
    const char* backendName() const override { return m_inner.backendName(); }
    void note() {
        if (m_count < m_downs.size()) m_downs[m_count] = os::timeService().counter();
        ++m_count;
    }

private:
    keys::IKeyOutput& m_inner;
    std::vector<std::int64_t>& m_downs;
    std::size_t m_count = 0;
};

// Key latency: Up (0x81) pressed once per 400 ms; the Media Center table
// sends VK_UP down first. From the start of the frame's stop burst, where the
// decoder completes the frame, to the first key-down.
int runKeys(const Args& a) {
    const long presses = a.count;
    tuner::Timeline all;
    std::vector<std::size_t> lastBurstEdge; // index into the card's edges
    tuner::EncodeOptions o;
    o.gapMs = 330;
    for (long p = 0; p < presses; ++p) {
        const auto frame = tuner::encodeNec(0xFB04, 0x81, 0, false, o);
        if (all.size() % 2 == 1) all.push_back(o.gapMs * 1000);
        lastBurstEdge.push_back(all.size() + 2 * (bench::burstStartsUs(frame).size() - 1));
        all.insert(all.end(), frame.begin(), frame.end());
    }
    std::vector<std::int64_t> downs(static_cast<std::size_t>(presses) + 16, 0);
    keys::RecordingKeyOutput recording;
    std::unique_ptr<keys::IKeyOutput> xtest;
    std::unique_ptr<bench::XKeyReceiver> receiver;
    keys::IKeyOutput* inner = &recording;
    if (a.xtest) {
        receiver = std::make_unique<bench::XKeyReceiver>(downs);
        xtest = keys::CreateXTestKeyOutput();
        if (!receiver->ok() || !xtest) {
            std::fprintf(stderr, "no X display with XTest (run through tests/support/with-xvfb.sh)\n");
            return 1;
        }
        inner = xtest.get();
    }
    TimedOutput timed(*inner, downs);
    keys::ProfileViewOwner profile;
    profile.selectProfile(keys::kBuiltInProfilePosition, kBuiltInProfile);
    keys::KeyReportHandler handler(timed, profile.view());

    NecPipeline pipeline(handler);
    tuner::SimTunerCard& card = pipeline.card;

    bench::CpuLoad load(a.load);
    const std::int64_t freq = os::timeService().frequency();
    const std::int64_t start = os::timeService().counter() + freq / 5;
    card.load(all, start);
    card.startPlayer();
    card.joinPlayer();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Each key-down belongs to the latest frame whose last burst the card
    // had played before it (played, not planned: a late wake-up of the card
    // moves the rest of the signal).
    std::vector<std::int64_t> lastBurst;
    for (std::size_t e : lastBurstEdge) lastBurst.push_back(card.playedTicks().at(e));
    std::vector<double> us;
    std::vector<bool> answered(static_cast<std::size_t>(presses), false);
    for (std::int64_t d : downs) {
        if (d == 0) continue;
        std::size_t p = 0;
        while (p + 1 < lastBurst.size() && lastBurst[p + 1] <= d) ++p;
        if (answered[p] || d < lastBurst[p]) continue;
        answered[p] = true;
        us.push_back(static_cast<double>(d - lastBurst[p]) * 1e6 / static_cast<double>(freq));
    }
    long missing = 0;
    for (long p = 0; p < presses; ++p)
        if (!answered[static_cast<std::size_t>(p)]) {
            ++missing;
            std::fprintf(stderr, "press %ld brought no key\n", p);
        }
    const double p50 = bench::percentile(us, 50);
    const double p99 = bench::percentile(us, 99);
    const double max = us.empty() ? 0 : us.back();
    std::printf("keys presses=%ld output=%s answered=%zu p50=%.1fus p99=%.1fus max=%.1fus load=%u\n", presses,
                a.xtest ? "xtest" : "recording", us.size(), p50, p99, max, a.load);
    return missing == 0 ? 0 : 1;
}

// The floor under every other figure: how late a bare thread at the same
// priority wakes from an absolute sleep, with nothing of ours in the way.
int runSleep(const Args& a) {
    std::vector<double> lateUs;
    lateUs.reserve(static_cast<std::size_t>(a.count));
    // Started here: threads inherit the policy of the thread that starts them.
    bench::CpuLoad load(a.load);
    std::thread t([&] {
        os::raiseThreadPriority();
        const bool rt = threadIsRealtime();
        bool dropped = false;
        dropRealtimeOnce(a.realtime, dropped);
        timespec at{};
        clock_gettime(CLOCK_MONOTONIC, &at);
        for (long i = 0; i < a.count; ++i) {
            at.tv_nsec += 500'000;
            if (at.tv_nsec >= 1'000'000'000) {
                at.tv_nsec -= 1'000'000'000;
                ++at.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            lateUs.push_back(static_cast<double>(now.tv_sec - at.tv_sec) * 1e6 +
                             static_cast<double>(now.tv_nsec - at.tv_nsec) / 1e3);
        }
        std::printf("sleep wakeups=%ld load=%u realtime=%s", a.count, a.load, rt && a.realtime ? "yes" : "no");
    });
    t.join();
    const double p50 = bench::percentile(lateUs, 50), p90 = bench::percentile(lateUs, 90),
                 p99 = bench::percentile(lateUs, 99), p999 = bench::percentile(lateUs, 99.9);
    std::printf(" late p50=%.1fus p90=%.1fus p99=%.1fus p99.9=%.1fus max=%.1fus\n", p50, p90, p99, p999,
                lateUs.empty() ? 0.0 : lateUs.back());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Args a = parse(argc, argv);
    if (a.mode == "delivery") return runDelivery(a);
    if (a.mode == "keys") return runKeys(a);
    if (a.mode == "sleep") return runSleep(a);
    return a.mode == "decode" ? runDecode(a) : runIntervals(a);
}
