#include "Fakes.h"
#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "TraceCapture.h"
#include "tmIR_Decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

using namespace remorra::test;
using remorra::os::ScopedTimeService;
using remorra::os::VirtualTimeService;

namespace {

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
