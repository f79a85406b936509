#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "tmIR_Decoder.h"
#include "tests/support/DecoderFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace remorra::test;
using remorra::os::ScopedTimeService;
using remorra::os::VirtualTimeService;

namespace {

// Edge intervals (µs, burst start to burst start) of one NEC frame:
// leader, then the bytes least significant bit first.
std::vector<std::int64_t> necFrameIntervals(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int64_t> out{13500};
    for (std::uint8_t b : bytes)
        for (int i = 0; i < 8; ++i) out.push_back((b >> i) & 1 ? 2250 : 1125);
    return out;
}

// Burst (true) / space runs in µs of one NEC frame on the wire, ending with the stop burst.
std::vector<std::pair<bool, std::int64_t>> necFrameWave(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::pair<bool, std::int64_t>> out{{true, 9000}, {false, 4500}};
    for (std::uint8_t b : bytes)
        for (int i = 0; i < 8; ++i) {
            out.push_back({true, 560});
            out.push_back({false, (b >> i) & 1 ? 1690 : 560});
        }
    out.push_back({true, 560});
    return out;
}

// 1 while `wave` has a burst at `us` after its start.
std::uint8_t burstAt(const std::vector<std::pair<bool, std::int64_t>>& wave, std::int64_t us)
{
    std::int64_t t = 0;
    for (const auto& [burst, len] : wave) {
        if (us < t + len) return burst ? 1 : 0;
        t += len;
    }
    return 0;
}

const std::vector<std::uint8_t> kFrame{0x04, 0xFB, 0x12, 0xED};

class FrontEnd : public ::testing::Test {
protected:
    FrontEnd() : m_scope(vt), gpio(vt) { vt.advanceMs(1000); }

    std::unique_ptr<tmIrDecoder> make(std::int32_t type, std::int32_t edgeSelect = 0, std::int32_t mode = 1)
    {
        hw = {type, 4, edgeSelect, mode};
        return std::make_unique<tmIrDecoder>(&sink, &gpio, &irq, &factory, &hw);
    }
    void edgeAfter(std::int64_t us)
    {
        vt.advanceUs(us);
        irq.fire(0);
    }

    VirtualTimeService vt;
    ScopedTimeService m_scope;
    TraceCapture trace;
    FakeGpioLayer gpio;
    FakeInterruptLayer irq;
    RecordingSink sink;
    COSDependFactory factory;
    tmIrHwInfo hw{};
};

TEST_F(FrontEnd, NecFrameReportsOnceOnTheLastBitThenRepeats)
{
    auto dec = make(TM_IR_DECODER_NEC);
    ASSERT_EQ(dec->Status(), TM_IR_DECODER_OK);
    irq.fire(0); // first edge after idle: a start gap
    const auto intervals = necFrameIntervals(kFrame);
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        edgeAfter(intervals[i]);
        EXPECT_EQ(sink.nec.size(), i + 1 == intervals.size() ? 1u : 0u) << "after interval " << i;
    }
    ASSERT_EQ(sink.nec.size(), 1u);
    EXPECT_EQ(sink.types.at(0), TM_IR_DECODER_NEC);
    EXPECT_EQ(sink.threads.at(0), std::this_thread::get_id());
    EXPECT_EQ(sink.nec[0].address, 0xFB04);
    EXPECT_EQ(sink.nec[0].command, 0x12);
    EXPECT_EQ(sink.nec[0].repeat, 0u);

    edgeAfter(40500); // start of the repeat code
    edgeAfter(11250); // its space
    EXPECT_EQ(sink.nec.size(), 1u);
    edgeAfter(96750); // next repeat code
    ASSERT_EQ(sink.nec.size(), 2u);
    EXPECT_EQ(sink.nec[1].address, 0xFB04);
    EXPECT_EQ(sink.nec[1].command, 0x12);
    EXPECT_EQ(sink.nec[1].repeat, 1u);
}

// Each window's bounds, one interval at a time: a frame after a few noise
// bits (only a leader clears them), then a repeat code. The 40-bit entry
// counts in 10 µs, so its bounds are 10 µs wide.
TEST_F(FrontEnd, NecWindowBoundsDecideEachInterval)
{
    enum class At { Leader, Bit0, Bit1, RepeatSpace, RepeatGap };
    struct Row {
        bool wide; // the 40-bit entry
        At at;
        std::int64_t us;
        std::size_t reports; // frame and repeat: 2; repeat lost: 1
    };
    const Row rows[] = {
        {false, At::Leader, 12500, 0}, {false, At::Leader, 12501, 2}, {false, At::Leader, 13999, 2}, {false, At::Leader, 14000, 0},
        {false, At::Bit0, 900, 0}, {false, At::Bit0, 901, 2}, {false, At::Bit0, 1500, 2}, {false, At::Bit0, 1501, 0},
        {false, At::Bit1, 1600, 0}, {false, At::Bit1, 1601, 2}, {false, At::Bit1, 2500, 2}, {false, At::Bit1, 2501, 0},
        {false, At::RepeatSpace, 10000, 1}, {false, At::RepeatSpace, 10001, 2},
        {false, At::RepeatSpace, 11999, 2}, {false, At::RepeatSpace, 12000, 1},
        {false, At::RepeatGap, 85000, 1}, {false, At::RepeatGap, 85001, 2},
        {false, At::RepeatGap, 97999, 2}, {false, At::RepeatGap, 98000, 1},
        {true, At::Leader, 12509, 0}, {true, At::Leader, 12510, 2}, {true, At::Leader, 13999, 2}, {true, At::Leader, 14000, 0},
        {true, At::Bit0, 909, 0}, {true, At::Bit0, 910, 2}, {true, At::Bit0, 1509, 2}, {true, At::Bit0, 1510, 0},
        {true, At::Bit1, 1609, 0}, {true, At::Bit1, 1610, 2}, {true, At::Bit1, 2509, 2}, {true, At::Bit1, 2510, 0},
        {true, At::RepeatSpace, 10009, 1}, {true, At::RepeatSpace, 10010, 2},
        {true, At::RepeatSpace, 13499, 2}, {true, At::RepeatSpace, 13500, 1},
        {true, At::RepeatGap, 85009, 1}, {true, At::RepeatGap, 85010, 2},
        {true, At::RepeatGap, 97999, 2}, {true, At::RepeatGap, 98000, 1},
    };
    for (const Row& row : rows) {
        const char* const names[] = {"leader", "bit 0", "bit 1", "repeat space", "repeat gap"};
        SCOPED_TRACE(::testing::Message() << (row.wide ? "40 bits, " : "32 bits, ") << names[static_cast<int>(row.at)]
                                          << " " << row.us << " us");
        RecordingSink reports;
        hw = {row.wide ? TM_IR_DECODER_NEC24 : TM_IR_DECODER_NEC, 4, 0, 1};
        tmIrDecoder dec(&reports, &gpio, &irq, &factory, &hw);
        vt.advanceMs(200);
        irq.fire(0);
        for (int i = 0; i < 5; ++i) edgeAfter(1125);
        // Bit 0 of 0x04 and of 0x12 is a 0; bit 2 of 0x04 and bit 1 of 0x12 a 1.
        // The 40-bit frame is short enough for its repeat to start within 118 ms
        // of it: a 40-bit repeat space from 12510 µs on also reads as a leader,
        // which ends the quiet since the key.
        auto frame = necFrameIntervals(row.wide ? std::vector<std::uint8_t>{0x12, 0x00, 0x00, 0x21, 0xDE} : kFrame);
        if (row.at <= At::Bit1) frame[row.at == At::Leader ? 0 : row.at == At::Bit0 ? 1 : row.wide ? 2 : 3] = row.us;
        for (std::int64_t us : frame) edgeAfter(us);
        edgeAfter(40500);
        edgeAfter(row.at == At::RepeatSpace ? row.us : 11250);
        edgeAfter(row.at == At::RepeatGap ? row.us : 96750);
        ASSERT_EQ(reports.count(), row.reports);
        for (const tmIrNecReport& r : reports.nec) EXPECT_EQ(r.command, 0x12);
        for (const tmIrNec24Report& r : reports.nec24) EXPECT_EQ(r.command, 0x21);
    }
}

TEST_F(FrontEnd, Nec24FrameUsesTheFortyBitEntry)
{
    auto dec = make(TM_IR_DECODER_NEC24);
    irq.fire(0);
    vt.advanceUs(13500);
    irq.fire(0);
    for (std::uint8_t b : std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x21, 0xDE})
        for (int i = 0; i < 8; ++i) edgeAfter((b >> i) & 1 ? 2250 : 1125);
    ASSERT_EQ(sink.nec24.size(), 1u);
    EXPECT_EQ(sink.types.at(0), TM_IR_DECODER_NEC24);
    EXPECT_EQ(sink.nec24[0].address, 0x563412u);
    EXPECT_EQ(sink.nec24[0].command, 0x21);
}

// The sampled windows, in samples of 280 µs: leader burst 19-43 and space
// 11 or more; a space of up to 3 is a 0, 4-6 a 1; a burst of 4 is one burst,
// 5-7 one that swallowed the space of a 0.
TEST_F(FrontEnd, NecSampledWindowBoundsDecideEachRun)
{
    enum class Run { Leader, LeaderSpace, Space0, Space1, Burst, Lost0 };
    struct Row {
        Run run;
        int samples;
        bool decodes;
    };
    const Row rows[] = {
        {Run::Leader, 18, false}, {Run::Leader, 19, true}, {Run::Leader, 43, true}, {Run::Leader, 44, false},
        {Run::LeaderSpace, 10, false}, {Run::LeaderSpace, 11, true},
        {Run::Space0, 3, true}, {Run::Space0, 4, false},
        {Run::Space1, 3, false}, {Run::Space1, 4, true}, {Run::Space1, 6, true}, {Run::Space1, 7, false},
        {Run::Burst, 4, true}, {Run::Burst, 5, false},
        {Run::Lost0, 4, false}, {Run::Lost0, 5, true}, {Run::Lost0, 7, true}, {Run::Lost0, 8, false},
    };
    vt.setStepPerRead(50); // 5 µs per counter read lets the busy-wait end
    for (const Row& row : rows) {
        const char* const names[] = {"leader", "leader space", "0-space", "1-space", "burst", "lost 0-space"};
        SCOPED_TRACE(::testing::Message() << names[static_cast<int>(row.run)] << " " << row.samples);
        auto len = [&](Run r, int nominal) { return row.run == r ? row.samples : nominal; };
        // Burst (true) / space runs in samples; sample k reads slot k + 1.
        std::vector<std::pair<int, int>> runs{{false, 1}, {true, len(Run::Leader, 32)}, {false, len(Run::LeaderSpace, 16)}};
        int bit = 0;
        for (std::uint8_t b : kFrame)
            for (int i = 0; i < 8; ++i, ++bit) {
                // In the command 0x12, checked by its inverse: bit 16 is a 0, bit 17 a 1.
                if (bit == 16 && row.run == Run::Lost0) {
                    runs.push_back({true, row.samples});
                    ++bit, ++i;
                } else {
                    runs.push_back({true, bit == 17 ? len(Run::Burst, 2) : 2});
                }
                const int space = (b >> i) & 1 ? (bit == 17 ? len(Run::Space1, 6) : 6) : (bit == 16 ? len(Run::Space0, 2) : 2);
                runs.push_back({false, space});
            }
        runs.push_back({true, 2});
        RecordingSink reports;
        hw = {TM_IR_DECODER_NEC, 4, 0, 0};
        tmIrDecoder dec(&reports, &gpio, &irq, &factory, &hw);
        const std::int64_t start = vt.nowUs();
        gpio.level = [&](std::int64_t us) { return SampledLevel(runs, start, 280, us); };
        irq.fire(0);
        ASSERT_EQ(reports.nec.size(), row.decodes ? 1u : 0u);
        if (row.decodes) {
            EXPECT_EQ(reports.nec[0].address, 0xFB04);
            EXPECT_EQ(reports.nec[0].command, 0x12);
        }
        vt.advanceMs(200);
    }
}

TEST_F(FrontEnd, SamplingModeDecodesOneWindowAndReregisters)
{
    const auto wave = necFrameWave(kFrame);
    const std::int64_t start = vt.nowUs();
    gpio.level = [&](std::int64_t us) -> std::uint8_t { return burstAt(wave, us - start) ? 0 : 1; };
    vt.setStepPerRead(50); // 5 µs per counter read lets the busy-wait end

    auto dec = make(TM_IR_DECODER_NEC, 0, 0);
    irq.fire(0);
    ASSERT_EQ(sink.nec.size(), 1u) << "trace lines: " << trace.lines().size();
    EXPECT_EQ(sink.nec[0].address, 0xFB04);
    EXPECT_EQ(sink.nec[0].command, 0x12);
    EXPECT_EQ(sink.nec[0].repeat, 0u);
    // One pass of about 130 ms at 280 µs.
    EXPECT_GE(gpio.reads, 460);
    EXPECT_LE(gpio.reads, 466);
    EXPECT_EQ(gpio.lastPin, 4);
    EXPECT_GE(vt.nowUs() - start, 130'000);
    EXPECT_EQ(irq.disabled.size(), 1u);
    EXPECT_EQ(irq.enabled.size(), 2u);
    EXPECT_EQ(irq.active.count(0u), 1u);
}

TEST_F(FrontEnd, FailedPinReadAbandonsThePassUnregistered)
{
    gpio.failAfter = 3;
    vt.setStepPerRead(50);
    auto dec = make(TM_IR_DECODER_NEC, 2, 0);
    irq.fire(1);
    EXPECT_TRUE(trace.hasError("Error: tmIGetPin failed", "tmIR_Decoder"));
    EXPECT_TRUE(sink.types.empty());
    EXPECT_TRUE(irq.active.empty());
}

TEST_F(FrontEnd, MissingGpioLayerIsAcceptedForSamplingButFailsTheRead)
{
    hw = {TM_IR_DECODER_NEC, 4, 0, 0};
    vt.setStepPerRead(50);
    tmIrDecoder dec(&sink, nullptr, &irq, &factory, &hw);
    EXPECT_EQ(dec.Status(), TM_IR_DECODER_OK);
    irq.fire(0);
    EXPECT_TRUE(trace.hasError("Error: tmIGetPin failed", "tmIR_Decoder"));
}

TEST_F(FrontEnd, EveryConstructionFailureTracesAndStaysUninitialised)
{
    NullTimeOutFactory noTimeOut;
    const tmIrHwInfo edge{TM_IR_DECODER_NEC, 4, 0, 1};
    struct Case {
        const char* message;
        CIR_DecoderCallback* sink;
        tmIGPIOLayer* gpio;
        tmIInterruptLayer* irq;
        tmIOSDependFactory* factory;
        const tmIrHwInfo* hw;
    } const cases[] = {
        {"Error: the Hw info object is NULL", &sink, &gpio, &irq, &factory, nullptr},
        {"Error: One ptInterruptLayer the objects is NULL", &sink, &gpio, nullptr, &factory, &edge},
        {"Error: One of the objects is NULL", nullptr, &gpio, &irq, &factory, &edge},
        {"Error: One of the objects is NULL", &sink, &gpio, &irq, nullptr, &edge},
        {"Error: GPIO layer is NULL", &sink, nullptr, &irq, &factory, &edge},
        {"Error: Timer object is NULL", &sink, &gpio, &irq, &noTimeOut, &edge},
    };
    for (const Case& c : cases) {
        trace.clear();
        irq.enabled.clear();
        {
            tmIrDecoder dec(c.sink, c.gpio, c.irq, c.factory, c.hw);
            EXPECT_EQ(dec.Status(), TM_IR_DECODER_NOT_INITIALIZED) << c.message;
            EXPECT_TRUE(trace.hasError(c.message, "tmIR_Decoder")) << c.message;
            EXPECT_TRUE(irq.enabled.empty()) << c.message;

            trace.clear();
            const std::uint32_t selector = 0;
            dec.OnInterrupt(&selector);
            EXPECT_TRUE(trace.hasError("Error: Object not initialized", "tmIR_Decoder")) << c.message;
        }
        EXPECT_TRUE(irq.disabled.empty()) << c.message;
    }
    EXPECT_TRUE(sink.types.empty());
}

TEST_F(FrontEnd, EdgeSelectionDecidesTheRegisteredSources)
{
    using Sources = std::vector<std::pair<std::uint8_t, std::uint32_t>>;
    struct Case {
        std::int32_t select;
        Sources expected;
    } const cases[] = {{0, {{4, 0}}}, {1, {{4, 1}}}, {2, {{4, 0}, {4, 1}}}, {-1, {{4, 0}, {4, 1}}}};
    for (const Case& c : cases) {
        irq.enabled.clear();
        irq.disabled.clear();
        make(TM_IR_DECODER_NEC, c.select).reset();
        EXPECT_EQ(irq.enabled, c.expected) << c.select;
        EXPECT_EQ(irq.disabled, c.expected) << c.select;
    }
    hw = {TM_IR_DECODER_NEC, 0x104, 0, 1}; // only the low 8 bits of the pin reach the layer
    tmIrDecoder dec(&sink, &gpio, &irq, &factory, &hw);
    EXPECT_EQ(irq.enabled.back(), (std::pair<std::uint8_t, std::uint32_t>{4, 0}));
}

TEST_F(FrontEnd, UnknownDecoderTypeIsReadyButOnlyTraces)
{
    auto dec = make(7);
    EXPECT_EQ(dec->Status(), TM_IR_DECODER_OK);
    EXPECT_TRUE(trace.hasError("Error: Unknown IR decoder (7)", "tmIR_Decoder"));
    trace.clear();
    irq.fire(0);
    EXPECT_TRUE(trace.hasError("Error: Unknown IR decoder (7)", "tmIR_Decoder"));
    EXPECT_TRUE(sink.types.empty());
}

TEST_F(FrontEnd, Rc5AndRc6DecodersAreCreatedAndTheirEdgesReportNothing)
{
    for (std::int32_t type : {TM_IR_DECODER_RC5, TM_IR_DECODER_RC6}) {
        auto dec = make(type);
        EXPECT_EQ(dec->Status(), TM_IR_DECODER_OK);
        for (int i = 0; i < 5; ++i) edgeAfter(889);
    }
    EXPECT_TRUE(sink.types.empty());
}

TEST_F(FrontEnd, DestructionStopsTheTimersOfItsTimeOutService)
{
    struct CB final : tmIOSDependAbstractCB {
        int calls = 0;
        void OnTimeOut() override { ++calls; }
    } cb;
    auto dec = make(TM_IR_DECODER_NEC);
    // The front end's service owns the process table; a timer started on any
    // service is stopped when the front end goes.
    tmCOSDependTimeOut other;
    other.tmIStartTimer(40, 1, &cb);
    dec.reset();
    vt.advanceMs(100);
    EXPECT_EQ(cb.calls, 0);
    EXPECT_EQ(vt.activeTimers(), 0u);
}

// The layer may call back as soon as the front end registers, before its
// constructor has set the status; the TSan preset catches a plain read.
TEST(FrontEndStatus, InterruptsDuringConstructionAreSafe)
{
    class EagerLayer final : public tmIInterruptLayer {
    public:
        std::int32_t tmIEnableInterrupt(std::uint8_t, std::uint32_t, CInterruptCallback* cb) override
        {
            m_thread = std::thread([this, cb] {
                const std::uint32_t selector = 0;
                for (int after = 0; after < 3;) {
                    cb->OnInterrupt(&selector);
                    if (constructed.load()) ++after;
                }
            });
            return 1;
        }
        std::int32_t tmIDisableInterrupt(std::uint8_t, std::uint32_t) override { return 1; }
        void join() { m_thread.join(); }
        std::atomic<bool> constructed{false};

    private:
        std::thread m_thread;
    };
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    TraceCapture trace;
    EagerLayer irq;
    FakeGpioLayer gpio(vt);
    RecordingSink sink;
    COSDependFactory factory;
    const tmIrHwInfo hw{TM_IR_DECODER_NEC, 4, 0, 1};
    tmIrDecoder decoder(&sink, &gpio, &irq, &factory, &hw);
    irq.constructed.store(true);
    irq.join();
    EXPECT_EQ(decoder.Status(), TM_IR_DECODER_OK);
}

TEST(FrontEndHandle, OwnsAndDeletesItsFrontEnd)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    FakeInterruptLayer irq;
    FakeGpioLayer gpio(vt);
    RecordingSink sink;
    COSDependFactory factory;
    const tmIrHwInfo hw{TM_IR_DECODER_NEC, 4, 0, 1};
    {
        tmIIrDecoder handle(&sink, &gpio, &irq, &factory, &hw);
        ASSERT_NE(handle.Decoder(), nullptr);
        EXPECT_EQ(handle.Decoder()->Status(), TM_IR_DECODER_OK);
        EXPECT_EQ(irq.enabled.size(), 1u);
    }
    EXPECT_EQ(irq.disabled.size(), 1u);
}

} // namespace
