// Edges on one thread, timer passes on another, over the same decoder: every
// frame is reported whole and at most once (run under TSan for races).
#include "RcSupport.h"

#include "RC5_Decoder.h"
#include "RC6_Decoder.h"

#include <gtest/gtest.h>

#include <thread>

namespace remorra::test {
namespace {

// Time that only the edge thread moves; no timers of its own.
class SharedClock final : public tmIOSDependTimeOut {
public:
    std::int32_t tmIStartTimer(std::uint32_t, std::int32_t, tmIOSDependAbstractCB*) override { return 1; }
    std::int32_t tmIGetFrequency(std::int64_t* f) override { *f = 10'000'000; return 1; }
    std::int32_t tmIGetCounter(std::int64_t* c) override { *c = static_cast<std::int64_t>(now.load()); return 1; }
    void tmIGetTime(std::uint64_t* t) override { *t = now.load(); }
    void tmICheckTimeOutCB(tmIOSDependAbstractCB*) override {}
    void advanceUs(std::int64_t us) { now.fetch_add(static_cast<std::uint64_t>(us) * 10); }
    std::atomic<std::uint64_t> now{10'000'000};
};

// Runs `edges` on this thread while another thread keeps calling OnTimeOut.
template <class Decoder, class Edge>
void Race(Decoder& decoder, Edge edges)
{
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> passes{0};
    std::thread timer([&] {
        while (!stop.load()) {
            decoder.OnTimeOut();
            passes.fetch_add(1);
        }
    });
    edges([&] {
        // Let the timer thread take at least two passes over the quiet record.
        const std::uint64_t seen = passes.load();
        while (passes.load() < seen + 2) std::this_thread::yield();
    });
    stop = true;
    timer.join();
}

TEST(RcThreads, Rc6FramesReportedWholeAndOnce)
{
    SharedClock clock;
    RecordingSink sink;
    CRC6_Decoder decoder(&clock, 220, 444, &sink);
    const auto frame = BurstIntervals(Rc6Frame(6, 0, 0x800F0422u, 32), 100000);
    constexpr int kFrames = 300;
    Race(decoder, [&](auto waitForPasses) {
        for (int i = 0; i < kFrames; ++i) {
            for (std::int64_t us : frame) {
                clock.advanceUs(us);
                tmIrRc6Report r{};
                decoder.DecodeEdge(&r, nullptr);
            }
            clock.advanceUs(20000);
            waitForPasses();
        }
    });
    ASSERT_EQ(sink.rc6.size(), static_cast<std::size_t>(kFrames));
    for (const auto& r : sink.rc6) {
        EXPECT_EQ(r.header, 0x1C800Fu);
        EXPECT_EQ(r.information, 0x0422);
    }
}

TEST(RcThreads, Rc5PendingFrameReportedOnce)
{
    SharedClock clock;
    RecordingSink sink;
    CRC5_Decoder decoder(&clock, 220, 1778, &sink);
    // Ends in 0 after 1: pending at thirteen bits, claimed by the timer or by
    // the next start gap, whichever comes first.
    const auto frame = BurstIntervals(Rc5Frame(1, 0, 0x15, 0x3E), 100000);
    constexpr int kFrames = 2000;
    std::atomic<int> byEdge{0};
    Race(decoder, [&](auto waitForPasses) {
        for (int i = 0; i < kFrames; ++i) {
            for (std::int64_t us : frame) {
                clock.advanceUs(us);
                tmIrRc5Report r{};
                if (decoder.DecodeEdge(&r, nullptr) == TM_IR_DECODER_OK) {
                    EXPECT_EQ(r.command, 0x3E);
                    EXPECT_EQ(r.group, 0x15);
                    ++byEdge;
                }
            }
            clock.advanceUs(4000);
            if (i % 2) waitForPasses();
        }
    });
    // The last frame may still be pending.
    const std::size_t total = sink.rc5.size() + static_cast<std::size_t>(byEdge.load());
    EXPECT_GE(total, static_cast<std::size_t>(kFrames - 1));
    EXPECT_LE(total, static_cast<std::size_t>(kFrames));
    for (const auto& r : sink.rc5) {
        EXPECT_EQ(r.command, 0x3E);
        EXPECT_EQ(r.group, 0x15);
        EXPECT_EQ(r.toggle, 0);
    }
}

} // namespace
} // namespace remorra::test
