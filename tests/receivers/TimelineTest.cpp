#include "FakeDevice.h"
#include "platform/receivers/EdgeTimeline.h"
#include "platform/receivers/Mode2.h"
#include "platform/tuner/IrCapture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace remorra::receivers;
using remorra::test::Batch;
using remorra::test::batchesOf;

namespace {

constexpr std::int64_t kFreq = 10'000'000; // 100 ns ticks
constexpr std::int64_t kDelayUs = 3000;
constexpr std::uint32_t kTimeoutUs = 125'000;

std::int64_t ticks(std::int64_t us) { return us * kFreq / 1'000'000; }

struct Fed {
    std::vector<TimedEdge> edges;
    std::vector<std::int64_t> readAt; // per edge: when its batch was read
};

Fed feedAll(EdgeTimeline& timeline, const std::vector<Batch>& batches)
{
    Fed fed;
    for (const Batch& b : batches) {
        std::vector<TimedEdge> out(b.words.size() * EdgeTimeline::kMaxEdgesPerWord);
        const std::size_t n = timeline.feed(b.words, ticks(b.arrivalUs), out);
        for (std::size_t i = 0; i < n; ++i) {
            fed.edges.push_back(out[i]);
            fed.readAt.push_back(ticks(b.arrivalUs));
        }
    }
    return fed;
}

std::uint32_t word(Mode2Kind k, std::uint32_t us) { return mode2Word(k, us); }

} // namespace

TEST(EdgeTimeline, IntervalsMatchTheDurationsHoweverTheyAreBatched)
{
    remorra::tuner::EncodeOptions o;
    o.jitterUs = 80;
    o.seed = 5;
    o.frames = 2;
    o.gapMs = 150; // longer than the receive timeout: two frames
    const remorra::tuner::Timeline capture = remorra::tuner::encodeNec(0x7F80, 0x0C, 2, false, o);
    const std::vector<std::uint32_t> words = toMode2Words(capture, kTimeoutUs);

    struct Case {
        const char* name;
        std::size_t batch;
        std::int64_t latencyUs;
        std::int64_t windowUs;
    } cases[] = {
        {"one word per read", 1, 150, 0},
        {"what 2 ms packets hold", 0, 400, 2000},
        {"a frame per read, at its timeout", 0, 2000, 0},
        {"everything at once", words.size(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EdgeTimeline timeline(kFreq, ticks(kDelayUs));
        const Fed fed = feedAll(timeline, batchesOf(words, 1'000'000, c.batch, c.latencyUs, c.windowUs));
        ASSERT_EQ(fed.edges.size(), capture.size() + capture.size() % 2);
        EXPECT_EQ(timeline.lateEdges(), 0u);
        EXPECT_FALSE(timeline.inFrame());
        for (std::size_t k = 0; k < fed.edges.size(); ++k) {
            EXPECT_EQ(fed.edges[k].level, k % 2 == 0 ? 0 : 1) << k;
            // Never due before it was known, and never sooner than the delay.
            EXPECT_GE(fed.edges[k].at, fed.readAt[k]) << k;
            if (k == 0)
                continue;
            const std::int64_t interval = fed.edges[k].at - fed.edges[k - 1].at;
            const std::int64_t received = ticks(capture[k - 1]);
            // Within a frame exactly the received interval; across a
            // timeout never shorter than the reported gap.
            if (capture[k - 1] >= kTimeoutUs) {
                EXPECT_GE(interval, received) << k;
            } else {
                EXPECT_EQ(interval, received) << k;
            }
        }
        EXPECT_EQ(fed.edges[0].at, fed.readAt[0] + ticks(kDelayUs));
    }
}

TEST(EdgeTimeline, LateBatchKeepsItsInstants)
{
    EdgeTimeline timeline(kFreq, ticks(kDelayUs));
    std::vector<TimedEdge> out(8);
    const std::uint32_t first[] = {word(Mode2Kind::Pulse, 9000)};
    ASSERT_EQ(timeline.feed(first, ticks(9000), out), 2u);
    EXPECT_EQ(out[0].at, ticks(12'000));
    EXPECT_EQ(out[1].at, ticks(21'000));
    // Read 16 ms after the space ended: both edges are overdue and keep the
    // instants the durations give.
    const std::uint32_t second[] = {word(Mode2Kind::Space, 4500), word(Mode2Kind::Pulse, 560)};
    ASSERT_EQ(timeline.feed(second, ticks(30'000), out), 2u);
    EXPECT_EQ(timeline.lateEdges(), 2u);
    EXPECT_EQ(out[0].at, ticks(21'000 + 4500));
    EXPECT_EQ(out[1].at, ticks(21'000 + 4500 + 560));
    const std::uint32_t third[] = {word(Mode2Kind::Space, 9000), word(Mode2Kind::Pulse, 560)};
    ASSERT_EQ(timeline.feed(third, ticks(30'600), out), 2u);
    EXPECT_EQ(out[0].at, ticks(26'060 + 9000));
    EXPECT_EQ(timeline.lateEdges(), 2u);
}

TEST(EdgeTimeline, FrameBoundariesAndOddWords)
{
    EdgeTimeline timeline(kFreq, ticks(kDelayUs));
    std::vector<TimedEdge> out(16);
    // A pulse reported in two parts, a carrier report in between: one burst.
    const std::uint32_t split[] = {word(Mode2Kind::Pulse, 300), word(Mode2Kind::Frequency, 38000),
                                   word(Mode2Kind::Pulse, 260), word(Mode2Kind::Space, 500),
                                   word(Mode2Kind::Pulse, 560)};
    std::size_t n = timeline.feed(split, ticks(10'000), out);
    int starts = 0;
    for (std::size_t i = 0; i < n; ++i)
        starts += out[i].level == 0;
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(out[n - 2].at - out[0].at, ticks(300 + 260 + 500));
    const std::int64_t lastEdge = out[n - 1].at;

    // Lost samples end the frame; the next one starts afresh but never
    // before the previous frame's edges, which are still ahead.
    const std::uint32_t overflow[] = {word(Mode2Kind::Overflow, 0), word(Mode2Kind::Pulse, 600)};
    n = timeline.feed(overflow, ticks(10'100), out);
    ASSERT_EQ(n, 2u);
    EXPECT_GE(out[0].at, lastEdge);

    // The kernel's reset marker and a timeout report end a frame the same way;
    // a space before any pulse is the gap the next frame keeps.
    const std::uint32_t reset[] = {word(Mode2Kind::Space, kMode2ValueMask), word(Mode2Kind::Space, 40'000),
                                   word(Mode2Kind::Pulse, 600), word(Mode2Kind::Timeout, kTimeoutUs)};
    const std::int64_t before = out[1].at;
    n = timeline.feed(reset, ticks(10'200), out);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(out[0].at, before + ticks(40'000));
    EXPECT_FALSE(timeline.inFrame());
    EXPECT_EQ(timeline.lateEdges(), 0u);
}

TEST(EdgeDurations, GpioEdgesBecomeModeTwoWords)
{
    struct Step {
        bool rising;
        std::int64_t ns;
        int words;
        std::uint32_t word;
    } steps[] = {
        {false, 1'000'000'000, 0, 0},                                   // first edge: no start known
        {true, 1'009'000'000, 1, mode2Word(Mode2Kind::Pulse, 9000)},    // burst of 9 ms
        {false, 1'013'500'000, 1, mode2Word(Mode2Kind::Space, 4500)},
        {true, 1'014'060'400, 1, mode2Word(Mode2Kind::Pulse, 560)},     // sub-µs rounds down
        {true, 1'015'000'000, 0, 0},                                    // a missed edge: unknown period
        {false, 1'300'000'000, 1, mode2Word(Mode2Kind::Timeout, 285'000)}, // idle: a new frame follows
        {true, 1'299'000'000, 0, 0},                                    // clock went back
    };
    EdgeDurations d(125'000);
    for (const auto& s : steps) {
        std::uint32_t w = 0;
        EXPECT_EQ(d.edge(s.rising, s.ns, &w), s.words) << s.ns;
        if (s.words) {
            EXPECT_EQ(w, s.word) << s.ns;
        }
    }
}
