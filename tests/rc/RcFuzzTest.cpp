// Random interval streams and sample windows into every RC5/RC6 entry; run
// under ASan/UBSan these show that no input reaches outside the decoders'
// arrays. Fixed seeds keep failures reproducible.
#include "RcSupport.h"

#include "OSDependTimeOut.h"
#include "RC5_Decoder.h"
#include "RC6_Decoder.h"

#include <gtest/gtest.h>

#include <random>

namespace remorra::test {
namespace {

// Intervals near the protocols' windows, plus gaps and noise.
std::int64_t RandomInterval(std::mt19937& rng)
{
    static const std::int64_t nominal[] = {444, 888, 1332, 1776, 2220, 2664, 3552, 889, 1778, 2667, 3556};
    switch (rng() % 10) {
    case 0: return 60000 + rng() % 60000;
    case 1: return rng() % 6000;
    default: {
        const std::int64_t base = nominal[rng() % std::size(nominal)];
        return base - 300 + static_cast<std::int64_t>(rng() % 600);
    }
    }
}

TEST(RcFuzz, EdgeStreamsAndTimerPasses)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        os::VirtualTimeService vt;
        os::ScopedTimeService scope(vt);
        vt.advanceMs(1000);
        RecordingSink sink;
        tmCOSDependTimeOut timeOut;
        CRC6_Decoder rc6(&timeOut, 220, 444, &sink);
        CRC5_Decoder rc5(&timeOut, 220, 1778, &sink);
        std::mt19937 rng(seed);
        for (int i = 0; i < 200000; ++i) {
            vt.advanceUs(RandomInterval(rng));
            tmIrRc6Report r6{};
            tmIrRc5Report r5{};
            EXPECT_EQ(rc6.DecodeEdge(&r6, nullptr), TM_IR_DECODER_IN_PROGRESS);
            const std::int32_t rc = rc5.DecodeEdge(&r5, nullptr);
            ASSERT_TRUE(rc == TM_IR_DECODER_OK || rc == TM_IR_DECODER_IN_PROGRESS);
            if (rc == TM_IR_DECODER_OK) {
                EXPECT_LE(r5.command, 0x3F);
                EXPECT_LE(r5.group, 0x1F);
                EXPECT_LE(r5.toggle, 1);
            }
            if (rng() % 16 == 0) {
                rc6.OnTimeOut();
                rc5.OnTimeOut();
            }
        }
        for (const auto& r : sink.rc6) EXPECT_EQ((r.header >> 17) & 0xFu, 0xEu);
    }
}

TEST(RcFuzz, SampleWindows)
{
    tmCOSDependTimeOut timeOut;
    std::mt19937 rng(7);
    for (std::uint32_t period : {50u, 110u, 220u, 300u, 445u, 1000u}) {
        CRC6_Decoder rc6(&timeOut, period, 444, nullptr);
        CRC5_Decoder rc5(&timeOut, period, 1778, nullptr);
        for (int i = 0; i < 5000; ++i) {
            const std::size_t n = rng() % 700;
            // Exactly n bytes on the heap so that ASan sees any overread.
            std::unique_ptr<std::uint8_t[]> w(new std::uint8_t[n ? n : 1]);
            // Runs of random length rather than white noise, so the walks go deep.
            std::uint8_t level = rng() & 1u;
            for (std::size_t k = 0; k < n;) {
                const std::size_t len = 1 + rng() % 14;
                for (std::size_t j = 0; j < len && k < n; ++j) w[k++] = level;
                level ^= 1u;
            }
            tmIrRc6Report r6{};
            tmIrRc5Report r5{};
            const std::int32_t a = rc6.DecodeSamples(w.get(), static_cast<std::uint32_t>(n), &r6);
            EXPECT_TRUE(a == 1 || a == 3 || a == 5 || a == 9) << a;
            const std::int32_t b = rc5.DecodeSamples(w.get(), static_cast<std::uint32_t>(n), &r5);
            EXPECT_TRUE(b >= 0 && b <= 5) << b;
            if (b != 0) {
                EXPECT_EQ(r5.command, 0xFF);
                EXPECT_EQ(r5.group, 0xFF);
                EXPECT_EQ(r5.toggle, 0xFF);
            }
        }
    }
}

} // namespace
} // namespace remorra::test
