// RC5 decoder driven through the front end in virtual time.
#include "RcSupport.h"

#include "RC5_Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace remorra::test {
namespace {

void ExpectReport(const tmIrRc5Report& r, unsigned command, unsigned group, unsigned toggle)
{
    EXPECT_EQ(r.command, command);
    EXPECT_EQ(r.group, group);
    EXPECT_EQ(r.toggle, toggle);
}

TEST(Rc5Edge, AllOnesReportOnTheFourteenthInterval)
{
    Rig rig(TM_IR_DECODER_RC5);
    TraceCapture traces;
    rig.edgeAfter(100000); // the start gap: S1
    for (int i = 0; i < 12; ++i) rig.edgeAfter(1778);
    EXPECT_EQ(rig.sink.count(), 0u);
    rig.edgeAfter(1778);
    ASSERT_EQ(rig.sink.count(), 1u);
    EXPECT_EQ(rig.sink.types[0], TM_IR_DECODER_RC5);
    ExpectReport(rig.sink.rc5[0], 0x3F, 0x1F, 1);
    EXPECT_EQ(traces.count("Info: Last bit detected (Command 0x3F, Group 0x1FToggle 1, 14)"), 1);
    rig.vt.advanceMs(1200);
    EXPECT_EQ(rig.sink.count(), 1u);
}

TEST(Rc5Edge, WindowBoundsDecideEachInterval)
{
    // One interval of a frame moved to a window's bound; outside any window
    // the frame is void until the next start gap.
    struct Row {
        std::int64_t nominal, us;
        bool decodes;
    };
    const Row rows[] = {
        {1778, 1620, false}, {1778, 1621, true}, {1778, 1866, true}, {1778, 1867, false},
        {2667, 2430, false}, {2667, 2431, true}, {2667, 2799, true}, {2667, 2800, false},
        {3556, 3239, false}, {3556, 3240, true}, {3556, 3732, true}, {3556, 3733, false},
    };
    const auto frame = BurstIntervals(Rc5Frame(1, 0, 0x15, 0x23), 100000);
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.nominal << " us as " << row.us);
        auto intervals = frame;
        const auto at = std::find(intervals.begin() + 1, intervals.end(), row.nominal);
        ASSERT_NE(at, intervals.end());
        *at = row.us;
        Rig rig(TM_IR_DECODER_RC5);
        rig.edges(intervals);
        rig.vt.advanceMs(1200);
        ASSERT_EQ(rig.sink.count(), row.decodes ? 1u : 0u);
        if (row.decodes) ExpectReport(rig.sink.rc5[0], 0x23, 0x15, 0);
    }
}

TEST(Rc5Edge, RandomFramesRoundTrip)
{
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
        const unsigned toggle = rng() & 1u, group = rng() & 0x1Fu, command = rng() & 0x3Fu;
        Rig rig(TM_IR_DECODER_RC5);
        rig.edges(BurstIntervals(Rc5Frame(1, toggle, group, command), 100000));
        // A trailing 0 brings no edge: the next start gap reports it.
        if (rig.sink.count() == 0) rig.edgeAfter(100000);
        ASSERT_EQ(rig.sink.count(), 1u) << group << " " << command;
        ExpectReport(rig.sink.rc5[0], command, group, toggle);
        rig.vt.advanceMs(1200);
        EXPECT_EQ(rig.sink.count(), 1u);
    }
}

// Command 0x3E ends in 0 after a 1: the frame waits at thirteen bits.
TEST(Rc5Edge, PendingFrameIsReportedOnceByTimerOrStartGap)
{
    const auto frame = BurstIntervals(Rc5Frame(1, 0, 0x15, 0x3E), 100000);
    {
        Rig rig(TM_IR_DECODER_RC5);
        TraceCapture traces;
        rig.edges(frame);
        EXPECT_EQ(rig.sink.count(), 0u);
        rig.vt.advanceMs(600);
        ASSERT_EQ(rig.sink.count(), 1u);
        ExpectReport(rig.sink.rc5[0], 0x3E, 0x15, 0);
        EXPECT_EQ(traces.count("Info: Delayed report!"), 1);
        rig.edgeAfter(100000);
        rig.vt.advanceMs(1200);
        EXPECT_EQ(rig.sink.count(), 1u) << "the start gap must not report it again";
    }
    {
        Rig rig(TM_IR_DECODER_RC5);
        TraceCapture traces;
        rig.edges(frame);
        rig.edgeAfter(90000); // before the next timer expiry
        ASSERT_EQ(rig.sink.count(), 1u);
        ExpectReport(rig.sink.rc5[0], 0x3E, 0x15, 0);
        EXPECT_EQ(traces.count("Info: Delayed report (Command 0x3E, Group 0x15 Toggle 0, 13)"), 1);
        rig.vt.advanceMs(1200);
        EXPECT_EQ(rig.sink.count(), 1u) << "the timer must not report it again";
        EXPECT_EQ(traces.count("Info: Delayed report!"), 0);
    }
}

TEST(Rc5Edge, TimerLeavesAFrameAloneWhileItsLastBitMayArrive)
{
    Rig rig(TM_IR_DECODER_RC5);
    // The thirteenth bit lands 100 us before the next 500 ms expiry, its last bit after it.
    rig.vt.advanceMs(500 - (rig.vt.nowUs() / 1000) % 500); // on an expiry
    rig.edgeAfter(500000 - 12 * 1778 - 100);
    for (int i = 0; i < 12; ++i) rig.edgeAfter(1778);
    rig.edgeAfter(1778);
    ASSERT_EQ(rig.sink.count(), 1u);
    ExpectReport(rig.sink.rc5[0], 0x3F, 0x1F, 1);
}

TEST(Rc5Edge, OutOfWindowIntervalSuppressesUntilAStartGap)
{
    Rig rig(TM_IR_DECODER_RC5);
    TraceCapture traces;
    rig.edgeAfter(100000);
    for (int i = 0; i < 5; ++i) rig.edgeAfter(1778);
    rig.edgeAfter(5000);
    EXPECT_EQ(traces.count("Info: Unknown '0' (6)  5000 usec 1"), 1);
    for (int i = 0; i < 30; ++i) rig.edgeAfter(1778);
    rig.edgeAfter(80000); // not above 80000: still an unknown interval
    for (int i = 0; i < 13; ++i) rig.edgeAfter(1778);
    rig.vt.advanceMs(1200);
    EXPECT_EQ(rig.sink.count(), 0u);
    rig.edgeAfter(80001);
    for (int i = 0; i < 13; ++i) rig.edgeAfter(1778);
    ASSERT_EQ(rig.sink.count(), 1u);
    ExpectReport(rig.sink.rc5[0], 0x3F, 0x1F, 1);
}

struct SampleRig : Rig {
    SampleRig() : Rig(TM_IR_DECODER_RC5, TM_IR_CAPTURE_SAMPLING) { vt.setStepPerRead(10); }
    // The pass starts at the first burst edge of the frame.
    void send(const std::vector<Run>& runs)
    {
        const std::int64_t start = vt.nowUs() - kHalf5;
        pin.level = [runs, start](std::int64_t us) { return static_cast<std::uint8_t>(LevelAt(runs, us - start) ? 0 : 1); };
        interrupts.fire();
    }
};

TEST(Rc5Samples, FramesDecodeAndS2ZeroAddsSixtyFour)
{
    std::mt19937 rng(50);
    for (int i = 0; i < 60; ++i) {
        const unsigned s2 = rng() & 1u, toggle = rng() & 1u, group = rng() & 0x1Fu, command = rng() & 0x3Fu;
        SampleRig rig;
        rig.send(Rc5Frame(s2, toggle, group, command));
        ASSERT_EQ(rig.sink.count(), 1u) << s2 << " " << group << " " << command;
        ExpectReport(rig.sink.rc5[0], command + (s2 ? 0u : 64u), group, toggle);
    }
}

TEST(Rc5Samples, RunWindowBoundsDecideEachRun)
{
    // In samples of 220 µs (a half bit is 4): a run of 3-5 is one half, one
    // of 6 or more two; a shorter one voids the frame.
    struct Row {
        int nominal, samples;
        bool decodes;
    };
    const Row rows[] = {
        {4, 2, false}, {4, 3, true}, {4, 5, true}, {4, 6, false}, {8, 5, false}, {8, 6, true},
    };
    // Level runs of the frame in samples, equal halves merged.
    std::vector<std::pair<int, int>> frame;
    for (const auto& r : Rc5Frame(1, 0, 0x15, 0x23)) {
        if (!frame.empty() && frame.back().first == r.level) frame.back().second += 4;
        else frame.push_back({r.level, 4});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.nominal << " samples as " << row.samples);
        auto runs = frame;
        const auto at = std::find_if(runs.begin() + 4, runs.end(), [&](const auto& r) { return r.second == row.nominal; });
        ASSERT_NE(at, runs.end());
        at->second = row.samples;
        SampleRig rig;
        // The pass starts at the first burst; sample k reads slot k + 1 after it.
        const std::int64_t start = rig.vt.nowUs() - 4 * 220;
        rig.pin.level = [&](std::int64_t us) { return SampledLevel(runs, start, 220, us); };
        rig.interrupts.fire();
        const bool key = rig.sink.count() == 1 && rig.sink.rc5[0].command == 0x23 && rig.sink.rc5[0].group == 0x15;
        EXPECT_EQ(key, row.decodes);
        EXPECT_LE(rig.sink.count(), 1u);
    }
}

std::vector<std::uint8_t> Window(const std::vector<Run>& runs, std::uint32_t period, std::int64_t startUs, std::size_t n)
{
    std::vector<std::uint8_t> w(n);
    for (std::size_t k = 0; k < n; ++k)
        w[k] = static_cast<std::uint8_t>(LevelAt(runs, startUs + static_cast<std::int64_t>((k + 1) * period)) ? 0 : 1);
    return w;
}

// Middle of the first run of at least seven samples past the first bit.
std::size_t Middle(const std::vector<std::uint8_t>& v)
{
    std::size_t start = 12, k = 12;
    while (k < v.size()) {
        if (v[k] != v[start]) start = k;
        if (k - start == 6) return start + 3;
        ++k;
    }
    return 20;
}

TEST(Rc5Samples, Failures)
{
    tmCOSDependTimeOut timeOut;
    tmIrRc5Report r{};
    const auto frame = Rc5Frame(1, 1, 0x0A, 0x15);
    {
        CRC5_Decoder coarse(&timeOut, 500, 1778, nullptr);
        auto w = Window(frame, 500, kHalf5, 100);
        EXPECT_EQ(coarse.DecodeSamples(w.data(), 100, &r), TM_IR_DECODER_SAMPLING_FREQUENCY_TOO_LOW);
        ExpectReport(r, 0xFF, 0xFF, 0xFF);
    }
    CRC5_Decoder decoder(&timeOut, 220, 1778, nullptr);
    auto w = Window(frame, 220, kHalf5, 600);
    ASSERT_EQ(decoder.DecodeSamples(w.data(), 600, &r), TM_IR_DECODER_OK);
    ExpectReport(r, 0x15, 0x0A, 1);

    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        std::uint32_t count;
        std::int32_t result;
    };
    const std::vector<Case> cases{
        {"cut short", [](auto&) {}, 60, TM_IR_DECODER_INSUFFICIENT_SAMPLES},
        {"glitch", [](auto& v) { v[Middle(v)] ^= 1u; }, 600, TM_IR_DECODER_INVALID_BIT_DURATION},
    };
    for (const Case& c : cases) {
        auto damaged = w;
        c.damage(damaged);
        r = {};
        EXPECT_EQ(decoder.DecodeSamples(damaged.data(), c.count, &r), c.result) << c.name;
        ExpectReport(r, 0xFF, 0xFF, 0xFF);
    }
    // A bit whose halves have one level.
    auto runs = frame;
    runs[9].level = runs[8].level;
    auto flat = Window(runs, 220, kHalf5, 600);
    EXPECT_EQ(decoder.DecodeSamples(flat.data(), 600, &r), TM_IR_DECODER_INVALID_BIT_TEMPLATE);
    ExpectReport(r, 0xFF, 0xFF, 0xFF);
}

} // namespace
} // namespace remorra::test
