// RC6 decoder driven through the front end in virtual time.
#include "RcSupport.h"

#include "RC6_Decoder.h"

#include <gtest/gtest.h>

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
        Traces traces;
        const auto intervals = Mode6(c.trailer, c.control, c.info);
        ASSERT_GE(intervals.size(), 31u);
        ASSERT_LE(intervals.size(), 36u);
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

TEST(Rc6Edge, RecordsOutsideTheEntryConditionsGiveNoReport)
{
    const auto good = Mode6(0, 0x800F, 0x0422);
    struct Case {
        const char* name;
        std::vector<std::int64_t> intervals;
    };
    std::vector<Case> cases;
    cases.push_back({"too few", {good.begin(), good.begin() + 30}});
    auto longer = good;
    while (longer.size() < 37) longer.push_back(2 * kT6);
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
        // Records outside 31-36 intervals are ended by the next frame's first edge.
        if (intervals.size() < 31 || intervals.size() > 36) rig.edgeAfter(100000);
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

} // namespace
} // namespace remorra::test
