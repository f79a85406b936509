// RC6 decoder driven through the front end in virtual time.
#include "RcSupport.h"

#include "RC5_Decoder.h"
#include "RC6_Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace remorra::test {
namespace {

std::uint32_t Header(unsigned trailer, std::uint16_t control)
{
    return (1u << 20) | (6u << 17) | ((trailer & 1u) << 16) | control;
}

std::vector<std::int64_t> Mode6(unsigned trailer, std::uint16_t control, std::uint16_t info)
{
    return BurstIntervals(Rc6Frame(6, trailer, (std::uint64_t{control} << 16) | info, 32), 100000);
}

TEST(Rc6Edge, InformationEndingInZeroOrOneDecodes)
{
    struct Case {
        std::uint16_t control, info;
        unsigned trailer;
    };
    // 0x800F/0x0422 ends in 0 (36 slots); 0x0423 ends in 1 (35 slots, bit 0 implied).
    for (const Case c : {Case{0x800F, 0x0422, 0}, Case{0x800F, 0x0423, 0}, Case{0x000F, 0x0C0D, 0},
                         Case{0x8FF0, 0x0C0E, 1}}) {
        Rig rig(TM_IR_DECODER_RC6);
        TraceCapture traces;
        const auto intervals = Mode6(c.trailer, c.control, c.info);
        rig.edges(intervals);
        EXPECT_EQ(rig.sink.count(), 0u) << "the edge entry never reports";
        rig.vt.advanceMs(60);
        ASSERT_EQ(rig.sink.count(), 1u) << std::hex << c.info;
        EXPECT_EQ(rig.sink.types[0], TM_IR_DECODER_RC6);
        EXPECT_EQ(rig.sink.rc6[0].header, Header(c.trailer, c.control));
        EXPECT_EQ(rig.sink.rc6[0].control, 0);
        EXPECT_EQ(rig.sink.rc6[0].information, c.info);
        char line[128];
        std::snprintf(line, sizeof line, "Info: Start %x Header 0x%X Control 0x%2X Information 0x%2X", 1u,
                      static_cast<unsigned>(Header(c.trailer, c.control)), 0u, static_cast<unsigned>(c.info));
        EXPECT_TRUE(traces.has(2, line)) << line;
        rig.vt.advanceMs(500);
        EXPECT_EQ(rig.sink.count(), 1u) << "reported once";
    }
}

TEST(Rc6Edge, SingleFramesOfEveryIntervalCountDecode)
{
    struct Case {
        unsigned trailer;
        std::uint16_t control, info;
        std::size_t intervals; // 0: any
    };
    const Case cases[] = {
        {1, 0x5555, 0x5555, CRC6_Decoder::kMinFrameIntervals},
        {0, 0x0000, 0x0000, CRC6_Decoder::kMaxFrameIntervals},
        {0, 0x1234, 0x1234, 0},
        {1, 0xFFFF, 0xFFFF, 0},
        {0, 0xAAAA, 0xAAAA, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.control << " " << c.info << " T" << c.trailer);
        const auto intervals = Mode6(c.trailer, c.control, c.info);
        if (c.intervals) {
            EXPECT_EQ(intervals.size(), c.intervals);
        }
        Rig rig(TM_IR_DECODER_RC6);
        rig.edges(intervals);
        rig.vt.advanceMs(60);
        ASSERT_EQ(rig.sink.count(), 1u);
        EXPECT_EQ(rig.sink.rc6[0].header, Header(c.trailer, c.control));
        EXPECT_EQ(rig.sink.rc6[0].information, c.info);
    }
}

TEST(Rc6Edge, WindowBoundsDecideEachInterval)
{
    // One interval of 0x800F/info (trailer 0) at a bound: the leader (1), the
    // header's start (2), the trailer's 5t (6), or the last one, which no later
    // edge can correct. Snapping widens each data window up to the next one's
    // start: 2t 801-1243, 3t 1244-1643, 4t 1644-2043, 5t 2044-2443, the
    // trailer's 6t 2444-2928, with no gap where a window meets its snap range
    // (976|977 ...). Above 976 the header's start is snapped too, and then it
    // is up to the carry.
    constexpr std::size_t kLast = 0;
    struct Row {
        std::uint16_t info; // each ends in 0: 36 slots, so one more voids it
        std::size_t at;
        std::int64_t us;
        int reads; // information reported, -1: none
    };
    constexpr int kOther = -2; // another key, or none
    const Row rows[] = {
        {0x0C0C, 1, 3200, -1}, {0x0C0C, 1, 3201, 0x0C0C}, {0x0C0C, 1, 3904, 0x0C0C}, {0x0C0C, 1, 3905, -1},
        {0x0C0C, 2, 800, -1}, {0x0C0C, 2, 801, 0x0C0C}, {0x0C0C, 2, 976, 0x0C0C},
        {0x0C0C, 6, 2043, kOther}, {0x0C0C, 6, 2044, 0x0C0C}, {0x0C0C, 6, 2443, 0x0C0C}, {0x0C0C, 6, 2444, -1},
        {0x0C0C, 6, 2440, 0x0C0C}, {0x0C0C, 6, 2441, 0x0C0C}, {0x0C0C, kLast, 976, 0x0C0C}, {0x0C0C, kLast, 977, 0x0C0C},
        {0x0C06, kLast, 1464, 0x0C06}, {0x0C06, kLast, 1465, 0x0C06}, {0x0C0A, kLast, 1952, 0x0C0A}, {0x0C0A, kLast, 1953, 0x0C0A},
        {0x0C0C, kLast, 800, -1}, {0x0C0C, kLast, 801, 0x0C0C}, {0x0C0C, kLast, 1243, 0x0C0C}, {0x0C0C, kLast, 1244, 0x0C0D},
        {0x0C06, kLast, 1243, 0x0C07}, {0x0C06, kLast, 1244, 0x0C06}, {0x0C06, kLast, 1643, 0x0C06}, {0x0C06, kLast, 1644, -1},
        {0x0C0A, kLast, 1643, 0x0C0B}, {0x0C0A, kLast, 1644, 0x0C0A}, {0x0C0A, kLast, 2043, 0x0C0A}, {0x0C0A, kLast, 2044, -1},
    };
    auto check = [&](const Row& row, unsigned trailer, std::uint16_t control) {
        SCOPED_TRACE(::testing::Message() << std::hex << control << "/" << row.info << std::dec << " interval " << row.at
                                          << " " << row.us);
        auto intervals = Mode6(trailer, control, row.info);
        (row.at == kLast ? intervals.back() : intervals.at(row.at)) = row.us;
        Rig rig(TM_IR_DECODER_RC6);
        rig.edges(intervals);
        rig.vt.advanceMs(60);
        if (row.reads == kOther) {
            EXPECT_TRUE(rig.sink.count() == 0 || rig.sink.rc6[0].information != row.info);
            return;
        }
        ASSERT_EQ(rig.sink.count(), row.reads < 0 ? 0u : 1u);
        if (row.reads >= 0) {
            EXPECT_EQ(rig.sink.rc6[0].information, row.reads);
        }
    };
    for (const Row& row : rows) check(row, 0, 0x800F);
    // The trailer's 6t (5): a 1 trailer before a control that starts with 0.
    for (const Row& row : {Row{0x0C0C, 5, 2443, kOther}, Row{0x0C0C, 5, 2444, 0x0C0C}, Row{0x0C0C, 5, 2928, 0x0C0C},
                           Row{0x0C0C, 5, 2929, -1}})
        check(row, 1, 0x000F);
}

TEST(Rc6Edge, LateEdgeIsSnappedAndItsExcessCarried)
{
    Rig rig(TM_IR_DECODER_RC6);
    auto intervals = Mode6(0, 0x800F, 0x0422);
    // Find a 2t interval past the leader whose successor can absorb 212 µs.
    std::size_t k = 3;
    while (k + 1 < intervals.size() && !(intervals[k] == 2 * kT6 && intervals[k + 1] > 212)) ++k;
    ASSERT_LT(k + 1, intervals.size());
    intervals[k] = 1100;
    intervals[k + 1] -= 212;
    rig.edges(intervals);
    rig.vt.advanceMs(60);
    ASSERT_EQ(rig.sink.count(), 1u);
    EXPECT_EQ(rig.sink.rc6[0].header, Header(0, 0x800F));
    EXPECT_EQ(rig.sink.rc6[0].information, 0x0422);
}

// An interval that fits no window at its slot must not be skipped: the
// slots after it would shift, and a 36-slot frame one slot short still
// decodes, as another key. Nor can 4t follow a burst that starts a bit.
TEST(Rc6Edge, IntervalThatFitsNoSlotDropsTheFrame)
{
    const auto good = Mode6(0, 0x800F, 0x0422); // 36 slots
    std::size_t mid = good.size() / 2;
    while (good[mid] != 2 * kT6) ++mid;
    // Intervals 18 and 19 start the bursts of control bits 1 1 1.
    ASSERT_EQ(good[18] + good[19], 4 * kT6);
    struct Case {
        const char* name;
        std::size_t first, count; // intervals replaced
        std::vector<std::int64_t> replacement;
    };
    const Case cases[] = {
        {"noise burst splits a 2t", mid, 1, {400, 488}},
        {"5t in the data", mid, 1, {5 * kT6}},
        {"burst lost between 1 bits", 18, 2, {4 * kT6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto intervals = good;
        const auto at = intervals.begin() + static_cast<std::ptrdiff_t>(c.first);
        intervals.insert(intervals.erase(at, at + static_cast<std::ptrdiff_t>(c.count)), c.replacement.begin(),
                         c.replacement.end());
        Rig rig(TM_IR_DECODER_RC6);
        rig.edges(intervals);
        rig.vt.advanceMs(60);
        for (const auto& r : rig.sink.rc6) ADD_FAILURE() << std::hex << "reported 0x" << r.information;
        rig.edges(good);
        rig.vt.advanceMs(60);
        ASSERT_EQ(rig.sink.count(), 1u) << "the next frame decodes";
        EXPECT_EQ(rig.sink.rc6[0].information, 0x0422);
    }
}

TEST(Rc6Edge, RecordsOutsideTheEntryConditionsGiveNoReport)
{
    const auto good = Mode6(0, 0x800F, 0x0422);
    struct Case {
        const char* name;
        std::vector<std::int64_t> intervals;
    };
    std::vector<Case> cases;
    cases.push_back({"too few", {good.begin(), good.begin() + CRC6_Decoder::kMinFrameIntervals - 1}});
    auto longer = good;
    while (longer.size() <= CRC6_Decoder::kMaxFrameIntervals) longer.push_back(2 * kT6);
    cases.push_back({"too many", longer});
    auto shortLeader = good;
    shortLeader[1] = 3200;
    cases.push_back({"leader 3200", shortLeader});
    auto longLeader = good;
    longLeader[1] = 3905;
    cases.push_back({"leader 3905", longLeader});
    for (const Case& c : cases) {
        Rig rig(TM_IR_DECODER_RC6);
        rig.edges(c.intervals);
        rig.vt.advanceMs(400);
        EXPECT_EQ(rig.sink.count(), 0u) << c.name;
        // The stale record is ended by the next frame's first edge, and that
        // frame is recorded from its gap on.
        rig.edges(good);
        rig.vt.advanceMs(60);
        EXPECT_EQ(rig.sink.count(), 1u) << c.name;
    }
}

TEST(Rc6Edge, ModeZeroFrameResetsWithoutReport)
{
    Rig rig(TM_IR_DECODER_RC6);
    // The next frame's first edge ends the record, whatever its length.
    auto intervals = BurstIntervals(Rc6Frame(0, 0, 0x800F0422u, 32), 100000);
    rig.edges(intervals);
    rig.vt.advanceMs(400);
    EXPECT_EQ(rig.sink.count(), 0u);
    rig.edges(Mode6(0, 0x800F, 0x0422));
    rig.vt.advanceMs(60);
    EXPECT_EQ(rig.sink.count(), 1u);
}

TEST(Rc6Edge, RandomFramesRoundTrip)
{
    std::mt19937 rng(6);
    int decoded = 0;
    for (int i = 0; i < 200; ++i) {
        const auto control = static_cast<std::uint16_t>(rng());
        const auto info = static_cast<std::uint16_t>(rng());
        const unsigned trailer = rng() & 1u;
        const auto intervals = Mode6(trailer, control, info);
        Rig rig(TM_IR_DECODER_RC6);
        rig.edges(intervals);
        rig.vt.advanceMs(60);
        ASSERT_EQ(rig.sink.count(), 1u) << std::hex << control << " " << info << " T" << trailer;
        EXPECT_EQ(rig.sink.rc6[0].header, Header(trailer, control)) << std::hex << control << " " << info;
        EXPECT_EQ(rig.sink.rc6[0].information, info) << std::hex << control << " " << info;
        ++decoded;
    }
    EXPECT_EQ(decoded, 200);
}

// Mode-0 frames through the sampling pass.
struct SampleRig : Rig {
    SampleRig() : Rig(TM_IR_DECODER_RC6, TM_IR_CAPTURE_SAMPLING) { vt.setStepPerRead(10); }
    void send(const std::vector<Run>& runs)
    {
        const std::int64_t start = vt.nowUs();
        pin.level = [runs, start](std::int64_t us) { return static_cast<std::uint8_t>(LevelAt(runs, us - start) ? 0 : 1); };
        interrupts.fire();
    }
};

TEST(Rc6Samples, ModeZeroFramesDecode)
{
    std::mt19937 rng(60);
    for (int i = 0; i < 40; ++i) {
        const unsigned trailer = rng() & 1u;
        const unsigned control = rng() & 0xFFu, info = rng() & 0xFFu;
        SampleRig rig;
        rig.send(Rc6Frame(0, trailer, (control << 8) | info, 16));
        ASSERT_EQ(rig.sink.count(), 1u) << trailer << " " << control << " " << info;
        EXPECT_EQ(rig.sink.rc6[0].header, trailer);
        EXPECT_EQ(rig.sink.rc6[0].control, control);
        EXPECT_EQ(rig.sink.rc6[0].information, info);
    }
}

TEST(Rc6Samples, RunWindowBoundsDecideEachRun)
{
    // In samples of 220 µs (t is 2): the leader burst is 7-13, its space 3 or
    // more; a data run of up to 3 is t, of 4-5 2t, of 6 3t.
    enum class At { Leader, LeaderSpace, LastT, Last2t };
    struct Row {
        At at;
        int samples;
        bool decodes;
    };
    const Row rows[] = {
        {At::Leader, 6, false}, {At::Leader, 7, true}, {At::Leader, 13, true}, {At::Leader, 14, false},
        {At::LeaderSpace, 2, false}, {At::LeaderSpace, 3, true},
        {At::LastT, 3, true}, {At::LastT, 4, false},
        {At::Last2t, 3, false}, {At::Last2t, 4, true}, {At::Last2t, 5, true}, {At::Last2t, 6, false},
    };
    // Level runs of a mode 0 frame in samples, equal levels merged; one idle
    // slot first, as sample k reads slot k + 1 after the leader's edge.
    std::vector<std::pair<int, int>> frame{{0, 1}};
    for (const auto& r : Rc6Frame(0, 0, 0x5A0C, 16)) {
        const int n = static_cast<int>(r.us / (kT6 / 2));
        if (frame.back().first == r.level) frame.back().second += n;
        else frame.push_back({r.level, n});
    }
    for (const Row& row : rows) {
        const char* const names[] = {"leader", "leader space", "last t", "last 2t"};
        SCOPED_TRACE(::testing::Message() << names[static_cast<int>(row.at)] << " " << row.samples);
        auto runs = frame;
        // The final burst may run on into the idle level: the runs before it.
        auto last = [&](int n) {
            return std::find_if(runs.rbegin() + 2, runs.rend(), [n](const auto& r) { return r.second == n; });
        };
        switch (row.at) {
        case At::Leader: runs[1].second = row.samples; break;
        case At::LeaderSpace: runs[2].second = row.samples; break;
        case At::LastT: last(2)->second = row.samples; break;
        case At::Last2t: last(4)->second = row.samples; break;
        }
        SampleRig rig;
        const std::int64_t start = rig.vt.nowUs();
        rig.pin.level = [&](std::int64_t us) { return SampledLevel(runs, start, 220, us); };
        rig.interrupts.fire();
        const bool key = rig.sink.count() == 1 && rig.sink.rc6[0].control == 0x5A && rig.sink.rc6[0].information == 0x0C;
        EXPECT_EQ(key, row.decodes);
        EXPECT_LE(rig.sink.count(), 1u);
    }
}

TEST(Rc6Samples, Failures)
{
    tmCOSDependTimeOut timeOut;
    CRC6_Decoder decoder(&timeOut, 220, 444, nullptr);
    tmIrRc6Report report{};
    std::vector<std::uint8_t> window(600, 0);
    // No leader burst.
    EXPECT_EQ(decoder.DecodeSamples(window.data(), 600, &report), TM_IR_DECODER_INVALID_START);
    // Leader burst without its space.
    std::fill(window.begin(), window.begin() + 12, 1);
    std::fill(window.begin() + 12, window.end(), 1);
    EXPECT_EQ(decoder.DecodeSamples(window.data(), 600, &report), TM_IR_DECODER_INVALID_START);
    // A frame cut short.
    window.assign(600, 0);
    std::fill(window.begin(), window.begin() + 12, 1);
    std::fill(window.begin() + 16, window.begin() + 18, 1);
    EXPECT_EQ(decoder.DecodeSamples(window.data(), 30, &report), TM_IR_DECODER_INSUFFICIENT_SAMPLES);
    EXPECT_EQ(report.header, 65535u);
    EXPECT_EQ(report.control, 0xFFFF);
    EXPECT_EQ(report.information, 0xFFFF);
    // A long burst in the data.
    std::fill(window.begin() + 16, window.begin() + 40, 1);
    EXPECT_EQ(decoder.DecodeSamples(window.data(), 600, &report), TM_IR_DECODER_INVALID_BIT_TEMPLATE);
}

TEST(RcTrace, ErrorsNameTheirUnit)
{
    tmCOSDependTimeOut timeOut;
    struct Case {
        const char* unit;
        std::function<void()> fail;
    };
    const Case cases[] = {
        {"RC6_Decoder",
         [&] {
             CRC6_Decoder d(&timeOut, 220, 444, nullptr);
             tmIrRc6Report r{};
             const std::vector<std::uint8_t> idle(600, 0);
             d.DecodeSamples(idle.data(), 600, &r);
         }},
        {"RC5_Decoder",
         [&] {
             CRC5_Decoder d(&timeOut, 500, 1778, nullptr);
             tmIrRc5Report r{};
             const std::vector<std::uint8_t> idle(100, 1);
             d.DecodeSamples(idle.data(), 100, &r);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        TraceCapture traces;
        c.fail();
        ASSERT_FALSE(traces.lines().empty());
        EXPECT_EQ(traces.lines()[0].level, 0);
        EXPECT_EQ(traces.lines()[0].text.rfind(TraceCapture::errorLocation(c.unit), 0), 0u)
            << traces.lines()[0].text;
    }
}

} // namespace
} // namespace remorra::test
