#include "NEC_Decoder.h"
#include "OSDependTimeOut.h"
#include "platform/os/VirtualTimeService.h"
#include "tests/support/DecoderFakes.h"

#include <gtest/gtest.h>

#include <vector>

using remorra::os::ScopedTimeService;
using remorra::os::VirtualTimeService;
using remorra::test::TraceCapture;

namespace {

class NecDecoder : public ::testing::Test {
protected:
    NecDecoder() : m_scope(vt), nec(&timeOut, 280, 1680) { vt.advanceMs(1000); }

    std::int32_t edge32(std::int64_t us)
    {
        vt.advanceUs(us);
        return nec.DecodeEdge32(&report, &kSelector);
    }
    std::int32_t edge40(std::int64_t us)
    {
        vt.advanceUs(us);
        return nec.DecodeEdge40(&report24, &kSelector);
    }
    // Returns the result of the last edge; counts reports.
    std::int32_t frame32(const std::vector<std::uint8_t>& bytes)
    {
        std::int32_t r = edge32(13500);
        for (std::uint8_t b : bytes)
            for (int i = 0; i < 8; ++i) {
                r = edge32((b >> i) & 1 ? 2250 : 1125);
                if (r == TM_IR_DECODER_OK) ++reports;
            }
        return r;
    }
    std::int32_t frame40(const std::vector<std::uint8_t>& bytes)
    {
        std::int32_t r = edge40(13500);
        for (std::uint8_t b : bytes)
            for (int i = 0; i < 8; ++i) r = edge40((b >> i) & 1 ? 2250 : 1125);
        return r;
    }

    // Sample window (1 = burst) with run lengths in samples; `lost0` merges the
    // burst of bit `lost0`, its 0-space and the next burst into one of 6.
    static std::vector<std::uint8_t> window(const std::vector<std::uint8_t>& bytes, int leader = 32, int space = 16,
                                            int lost0 = -1, std::size_t pad = 40)
    {
        std::vector<std::uint8_t> w(static_cast<std::size_t>(leader), 1);
        w.insert(w.end(), static_cast<std::size_t>(space), 0);
        int bit = 0;
        for (std::uint8_t b : bytes)
            for (int i = 0; i < 8; ++i, ++bit) {
                const bool one = (b >> i) & 1;
                if (lost0 >= 0 && bit == lost0) {
                    w.insert(w.end(), 6, 1); // burst, lost space, next burst
                    continue;
                }
                if (lost0 < 0 || bit != lost0 + 1) w.insert(w.end(), 2, 1);
                w.insert(w.end(), one ? 6 : 2, 0);
            }
        w.insert(w.end(), 2, 1);
        w.insert(w.end(), pad, 0);
        return w;
    }

    static constexpr std::uint32_t kSelector = 0;
    VirtualTimeService vt;
    ScopedTimeService m_scope;
    TraceCapture trace;
    tmCOSDependTimeOut timeOut;
    CNEC_Decoder nec;
    tmIrNecReport report{};
    tmIrNec24Report report24{};
    int reports = 0;
};

TEST_F(NecDecoder, ConstructionDerivesTheBurstLimit)
{
    EXPECT_EQ(nec.MaxBurstPlus1(), 4u);
    EXPECT_EQ(nec.UnitTimeUs(), 1680u);
    CNEC_Decoder zeroPeriod(&timeOut, 0, 1680); // must not divide by zero
    EXPECT_EQ(zeroPeriod.MaxBurstPlus1(), 1u);
}

TEST_F(NecDecoder, GoodFrameThenWrongInverseByte)
{
    edge32(40000);
    EXPECT_EQ(frame32({0x04, 0xFB, 0x12, 0xED}), TM_IR_DECODER_OK);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(trace.count("Info: Last bit detected, Data:FB 4 Data 12 Inv ED Bits 32"), 1);

    trace.clear();
    edge32(40000);
    EXPECT_EQ(frame32({0x04, 0xFB, 0x12, 0xEE}), TM_IR_DECODER_DATA_MISMATCH);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(trace.hasError("Error: Uncorrect data", "NEC_Decoder"));
    edge32(40500);
    edge32(11250);
    EXPECT_EQ(edge32(96750), TM_IR_DECODER_IN_PROGRESS);
    EXPECT_EQ(trace.count("Info: Repeat detected, last Data: 0xFB04 Data 0x12"), 1);
}

TEST_F(NecDecoder, IntervalOutsideEveryRangeClearsOnlyThe32BitFlag)
{
    edge32(40000);
    frame32({0x04, 0xFB, 0x12, 0xED});
    edge32(14500);
    EXPECT_EQ(trace.count("Info: Actual time 14500 usec"), 1);
    edge32(11250);
    EXPECT_EQ(edge32(96750), TM_IR_DECODER_IN_PROGRESS);

    edge40(40000);
    EXPECT_EQ(frame40({0x12, 0x34, 0x56, 0x21, 0xDE}), TM_IR_DECODER_OK);
    EXPECT_EQ(trace.count("Info: Last bit detected, Data:0x563412 Data 21 Inv DE Bits 40"), 1);
    EXPECT_EQ(report24.address, 0x563412u);
    edge40(14500);
    edge40(11250);
    report24 = {};
    EXPECT_EQ(edge40(96750), TM_IR_DECODER_OK);
    EXPECT_EQ(report24.repeat, 1u);
    EXPECT_EQ(report24.address, 0x563412u);
    EXPECT_EQ(report24.command, 0x21);
}

TEST_F(NecDecoder, RepeatCountsOnlyRightAfterTheLastKey)
{
    // A repeat code is taken at the next one's leader, 108 ms after its own.
    struct Case {
        const char* name;
        bool bits40;
        std::int64_t firstRepeatUs; // after the frame's start
        int reports;                // of four repeat codes, the last untaken
        bool otherFrame;            // a garbled frame's edges come first
        const char* trace;
    };
    const Case cases[] = {
        {"held", false, 108000, 3, false, nullptr},
        {"a little late", false, 117000, 3, false, nullptr},
        // Lost in silence: the key's hold-off held the interrupt thread.
        {"one repeat code lost unseen", false, 216000, 3, false, nullptr},
        {"a new press whose frame lost an edge", false, 216000, 0, true,
         "Info: Repeat dropped, 216 ms after the last key"},
        {"a new press soon after", false, 119000, 0, true, "Info: Repeat dropped, 119 ms after the last key"},
        {"40-bit, held", true, 108000, 3, false, nullptr},
        {"40-bit, a new press whose frame lost an edge", true, 216000, 0, true,
         "Info: Repeat dropped, 216 ms after the last key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nec = CNEC_Decoder(&timeOut, 280, 1680);
        trace.clear();
        // Frames of 67.5 and 77.625 ms to their stop bursts.
        std::int64_t next = c.firstRepeatUs;
        if (c.bits40) {
            edge40(40000);
            ASSERT_EQ(frame40({0x12, 0x34, 0x56, 0x21, 0xDE}), TM_IR_DECODER_OK);
            next -= 77625;
        } else {
            edge32(40000);
            ASSERT_EQ(frame32({0x04, 0xFB, 0x12, 0xED}), TM_IR_DECODER_OK);
            next -= 67500;
        }
        auto edge = [&](std::int64_t us) { return c.bits40 ? edge40(us) : edge32(us); };
        if (c.otherFrame) {
            // Another key's frame with its leader lost: bits, then nothing.
            for (std::int64_t us : {20000, 1125, 2250, 1125}) {
                edge(us);
                next -= us;
            }
        }
        int repeats = 0;
        for (int r = 0; r < 4; ++r) {
            report = {};
            report24 = {};
            if (edge(next) == TM_IR_DECODER_OK) {
                ++repeats;
                EXPECT_EQ(c.bits40 ? report24.repeat : report.repeat, 1u);
                EXPECT_EQ(c.bits40 ? report24.command : report.command, c.bits40 ? 0x21 : 0x12);
            }
            edge(11250);
            next = 96750;
        }
        EXPECT_EQ(repeats, c.reports);
        if (c.trace) {
            EXPECT_EQ(trace.count(c.trace), 1);
        }
    }
}

TEST_F(NecDecoder, PauseBeyond32BitsIsNoBit)
{
    // The last bit's interval arrives after a pause that wraps 32 bits of
    // the entry's unit: a start, not the bit that completes the frame.
    struct Case {
        const char* name;
        bool bits40;
        std::int64_t wrapUs;
    };
    const Case cases[] = {
        {"32-bit, µs", false, std::int64_t{1} << 32},
        {"40-bit, 10 µs", true, std::int64_t{10} << 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = c.bits40 ? std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x21, 0xDE}
                                    : std::vector<std::uint8_t>{0x04, 0xFB, 0x12, 0xED};
        auto edge = [&](std::int64_t us) { return c.bits40 ? edge40(us) : edge32(us); };
        edge(40000);
        edge(13500);
        const std::size_t bits = bytes.size() * 8;
        for (std::size_t k = 0; k + 1 < bits; ++k) edge((bytes[k / 8] >> (k % 8)) & 1 ? 2250 : 1125);
        EXPECT_NE(edge(c.wrapUs + 2250), TM_IR_DECODER_OK);
    }
}

TEST_F(NecDecoder, SampledFramesDecodeAndRepair)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> w;
        std::int32_t result;
    };
    const std::vector<std::uint8_t> frame{0x04, 0xFB, 0x12, 0xED};
    const Case cases[] = {
        {"clean", window(frame), TM_IR_DECODER_OK},
        {"lost 0-space of bit 0", window(frame, 32, 16, 0), TM_IR_DECODER_OK},
        {"lost 0-space of bit 10", window(frame, 32, 16, 10), TM_IR_DECODER_OK},
        {"bad inverse", window({0x04, 0xFB, 0x12, 0xEE}), TM_IR_DECODER_DATA_MISMATCH},
    };
    for (const Case& c : cases) {
        report = {};
        EXPECT_EQ(nec.DecodeSamples32(c.w.data(), static_cast<std::uint32_t>(c.w.size()), &report), c.result)
            << c.name;
        if (c.result == TM_IR_DECODER_OK) {
            EXPECT_EQ(report.address, 0xFB04) << c.name;
            EXPECT_EQ(report.command, 0x12) << c.name;
            EXPECT_EQ(report.repeat, 0u) << c.name;
        }
    }
    EXPECT_EQ(trace.count("Info: Corrected to 0"), 2);
}

TEST_F(NecDecoder, SampledLeaderTooShortOrSpaceAmbiguous)
{
    std::vector<std::uint8_t> w = window({0x04, 0xFB, 0x12, 0xED}, 18);
    EXPECT_EQ(nec.DecodeSamples32(w.data(), static_cast<std::uint32_t>(w.size()), &report), TM_IR_DECODER_INVALID_START);
    EXPECT_TRUE(trace.hasError("Error: TM_IR_DECODER_INVALID_START falling edge after 5040us", "NEC_Decoder"));

    w = window({0x04, 0xFB, 0x12, 0xED}, 32, 9); // 2520 µs
    EXPECT_EQ(nec.DecodeSamples32(w.data(), static_cast<std::uint32_t>(w.size()), &report), TM_IR_DECODER_INVALID_START);
    EXPECT_EQ(nec.DecodeSamples40(w.data(), static_cast<std::uint32_t>(w.size()), &report24), TM_IR_DECODER_INVALID_START);
}

TEST_F(NecDecoder, SampledRepeatNeedsASavedFrameInBothWidths)
{
    std::vector<std::uint8_t> repeat(32, 1);
    repeat.insert(repeat.end(), 8, 0); // 2240 µs
    repeat.insert(repeat.end(), 2, 1);
    repeat.insert(repeat.end(), 20, 0);
    const auto n = static_cast<std::uint32_t>(repeat.size());
    EXPECT_EQ(nec.DecodeSamples32(repeat.data(), n, &report), TM_IR_DECODER_INVALID_START);
    EXPECT_EQ(nec.DecodeSamples40(repeat.data(), n, &report24), TM_IR_DECODER_INVALID_START);

    auto w = window({0x04, 0xFB, 0x12, 0xED});
    ASSERT_EQ(nec.DecodeSamples32(w.data(), static_cast<std::uint32_t>(w.size()), &report), TM_IR_DECODER_OK);
    w = window({0x12, 0x34, 0x56, 0x21, 0xDE});
    ASSERT_EQ(nec.DecodeSamples40(w.data(), static_cast<std::uint32_t>(w.size()), &report24), TM_IR_DECODER_OK);
    EXPECT_EQ(report24.address, 0x563412u);

    report = {};
    report24 = {};
    EXPECT_EQ(nec.DecodeSamples32(repeat.data(), n, &report), TM_IR_DECODER_OK);
    EXPECT_EQ(report.address, 0xFB04);
    EXPECT_EQ(report.repeat, 1u);
    EXPECT_EQ(nec.DecodeSamples40(repeat.data(), n, &report24), TM_IR_DECODER_OK);
    EXPECT_EQ(report24.address, 0x563412u);
    EXPECT_EQ(report24.command, 0x21);
    EXPECT_EQ(report24.repeat, 1u);
}

TEST_F(NecDecoder, SampleReadsStayInsideTheCount)
{
    // Heap windows of exactly `count` bytes: a read past the end is caught by ASan.
    const std::vector<std::vector<std::uint8_t>> windows = {
        std::vector<std::uint8_t>(10, 1),
        std::vector<std::uint8_t>(60, 1),
        [] {
            std::vector<std::uint8_t> w(32, 1);
            w.insert(w.end(), 16, 0);
            return w;
        }(),
        [] {
            auto w = window({0x04, 0xFB, 0x12, 0xED}, 32, 16, -1, 0);
            w.resize(w.size() - 20);
            return w;
        }(),
        {},
    };
    for (const auto& w : windows) {
        auto* copy = new std::uint8_t[w.size() + 1];
        std::copy(w.begin(), w.end(), copy);
        EXPECT_NE(nec.DecodeSamples32(copy, static_cast<std::uint32_t>(w.size()), &report), TM_IR_DECODER_OK);
        EXPECT_NE(nec.DecodeSamples40(copy, static_cast<std::uint32_t>(w.size()), &report24), TM_IR_DECODER_OK);
        delete[] copy;
    }
    EXPECT_EQ(nec.DecodeSamples32(nullptr, 100, &report), TM_IR_DECODER_INVALID_START);
}

TEST_F(NecDecoder, LongLowPhaseIsReadAsTwoOnes)
{
    // Bits 2 and 3 of 0x04 0xFB... : replace "0 then 1" is ambiguous, so build
    // a frame whose bits k, k+1 are both 1 and drop the burst between them.
    const std::vector<std::uint8_t> frame{0x0C, 0xF3, 0x12, 0xED}; // bits 2,3 = 1
    std::vector<std::uint8_t> w(32, 1);
    w.insert(w.end(), 16, 0);
    int bit = 0;
    for (std::uint8_t b : frame)
        for (int i = 0; i < 8; ++i, ++bit) {
            if (bit == 3) continue;
            w.insert(w.end(), 2, 1);
            w.insert(w.end(), bit == 2 ? 14 : ((b >> i) & 1 ? 6 : 2), 0); // 3920 µs
        }
    w.insert(w.end(), 2, 1);
    w.insert(w.end(), 20, 0);
    // The repaired frame still counts as a bit-template failure.
    EXPECT_EQ(nec.DecodeSamples32(w.data(), static_cast<std::uint32_t>(w.size()), &report),
              TM_IR_DECODER_INVALID_BIT_TEMPLATE);
    EXPECT_EQ(trace.count("Info: Corrected to 1 1"), 1);
    EXPECT_TRUE(trace.hasError("Error: Low phase too long 3920.000000 us (2)\n", "NEC_Decoder"));
}

} // namespace
