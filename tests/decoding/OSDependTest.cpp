#include "OSDependDelayExecution.h"
#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "platform/os/VirtualTimeService.h"
#include "tests/support/DecoderFakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using remorra::os::ScopedTimeService;
using remorra::os::VirtualTimeService;
using remorra::test::TraceCapture;

namespace {

const char* const kTimeOutUnit = ".\\IRsrc\\OSDependTimeOut";
const char* const kDelayUnit = ".\\IRsrc\\OSDependDelayExecution";

struct CountingCB final : tmIOSDependAbstractCB {
    int calls = 0;
    void OnTimeOut() override { ++calls; }
};

TEST(OSDependTime, SplitArithmeticGivesTheTruncatedQuotient)
{
    struct Case {
        std::uint64_t counter;
        std::int64_t frequency;
        std::uint64_t expected;
    } const cases[] = {
        {1ull << 32, 3'000'000, 14'316'557'653ull},
        {3'579'545, 3'579'545, 10'000'000},
        {123'456'789'012ull, 10'000'000, 123'456'789'012ull},
        {0xFFFFFFFFFFFFFFFFull, 10'000'000, 0xFFFFFFFFFFFFFFFFull},
        {0, 3'579'545, 0},
        {1'000'000'007ull, 0, 0}, // no clock rate: no time, no division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(tmCOSDependTimeOut::ToTime100ns(c.counter, c.frequency), c.expected) << c.counter;

    // Against wide arithmetic, on both sides of the 32-bit frequency bound.
    __extension__ using U128 = unsigned __int128;
    for (std::int64_t f : {1'193'182ll, 3'579'545ll, 2'400'000'000ll, 4'290'000'000ll, 5'000'000'000ll}) {
        for (std::uint64_t counter : {0x123456789ABCDEFull, 0x7FFFFFFFFFFFFFFFull, 0xFFFFFFFFull}) {
            const U128 wide = static_cast<U128>(counter) * 10'000'000u / static_cast<std::uint64_t>(f);
            if (wide >> 64) continue;
            EXPECT_EQ(tmCOSDependTimeOut::ToTime100ns(counter, f), static_cast<std::uint64_t>(wide))
                << f << " " << counter;
        }
    }
}

TEST(OSDependTime, ReadsTheInstalledClockWithTheFrequencyTakenAtCreation)
{
    VirtualTimeService vt(3'000'000);
    ScopedTimeService scope(vt);
    COSDependFactory factory;
    std::unique_ptr<tmIOSDependTimeOut> timeOut(factory.tmICreateTimeOut());
    ASSERT_TRUE(timeOut);
    vt.setCounter(1ll << 32);

    std::uint64_t t = 0;
    timeOut->tmIGetTime(&t);
    EXPECT_EQ(t, 14'316'557'653ull);
    std::int64_t v = 0;
    EXPECT_NE(timeOut->tmIGetCounter(&v), 0);
    EXPECT_EQ(v, 1ll << 32);
    EXPECT_NE(timeOut->tmIGetFrequency(&v), 0);
    EXPECT_EQ(v, 3'000'000);
}

TEST(OSDependTime, NullOutPointersAndCallbacksAreTracedNotStored)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    TraceCapture trace;
    tmCOSDependTimeOut timeOut;

    EXPECT_EQ(timeOut.tmIGetCounter(nullptr), 0);
    EXPECT_EQ(timeOut.tmIGetFrequency(nullptr), 0);
    timeOut.tmIGetTime(nullptr);
    timeOut.tmICheckTimeOutCB(nullptr);
    EXPECT_EQ(trace.count("Error: Invalid parameter"), 4);
    EXPECT_TRUE(trace.hasError("Error: Invalid parameter", kTimeOutUnit));

    CountingCB cb;
    trace.clear();
    timeOut.tmICheckTimeOutCB(&cb);
    EXPECT_TRUE(trace.lines().empty());
}

TEST(OSDependTimers, PeriodicTimerRunsUntilItsServiceIsDestroyed)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    CountingCB cb;
    auto timeOut = std::make_unique<tmCOSDependTimeOut>();
    EXPECT_EQ(timeOut->tmIStartTimer(40, 1, &cb), 1);
    vt.advanceMs(200);
    EXPECT_EQ(cb.calls, 5);
    timeOut.reset();
    EXPECT_EQ(vt.activeTimers(), 0u);
    vt.advanceMs(200);
    EXPECT_EQ(cb.calls, 5);
}

TEST(OSDependTimers, NullCallbackAndRefusedTimerArmNothing)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    TraceCapture trace;
    tmCOSDependTimeOut timeOut;

    EXPECT_EQ(timeOut.tmIStartTimer(40, 1, nullptr), 0);
    EXPECT_TRUE(trace.hasError("Error: Callback object invalid", kTimeOutUnit));
    EXPECT_EQ(vt.activeTimers(), 0u);

    CountingCB cb;
    vt.setRefuseTimers(true);
    EXPECT_EQ(timeOut.tmIStartTimer(40, 1, &cb), 1);
    EXPECT_TRUE(trace.hasError("Error: SetTimer failed", kTimeOutUnit));
    EXPECT_EQ(tmCOSDependTimeOut::RecordedTimers(), 0u);
}

TEST(OSDependTimers, TwentyFirstTimerSucceedsButNeverRunsAndDoesNotLeak)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    tmCOSDependTimeOut timeOut;
    CountingCB cbs[21];
    for (CountingCB& cb : cbs) EXPECT_EQ(timeOut.tmIStartTimer(10, 1, &cb), 1);
    EXPECT_EQ(tmCOSDependTimeOut::RecordedTimers(), 20u);
    EXPECT_EQ(vt.activeTimers(), 20u);
    vt.advanceMs(30);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(cbs[i].calls, 3) << i;
    EXPECT_EQ(cbs[20].calls, 0);
}

TEST(OSDependTimers, TheTableIsSharedByEveryService)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    CountingCB first, second;
    auto a = std::make_unique<tmCOSDependTimeOut>();
    a->tmIStartTimer(40, 1, &first);

    // A new service clears the table; the cleared timer is stopped, not orphaned.
    auto b = std::make_unique<tmCOSDependTimeOut>();
    EXPECT_EQ(vt.activeTimers(), 0u);
    b->tmIStartTimer(40, 1, &second);
    a->tmIStartTimer(40, 1, &first);
    vt.advanceMs(40);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);

    a.reset(); // stops b's timer too
    EXPECT_EQ(vt.activeTimers(), 0u);
    vt.advanceMs(80);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
}

TEST(OSDependDelay, SleepsOnlyInsideItsRange)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    TraceCapture trace;
    tmCOSDependDelayExecution delay;

    struct Case {
        std::uint32_t ms;
        std::int64_t sleptMs;
    } const threadCases[] = {{1, 1}, {4000, 4000}, {0, 0}, {4001, 0}, {0xFFFFFFFFu, 0}};
    for (const Case& c : threadCases) {
        trace.clear();
        const std::int64_t before = vt.nowUs();
        EXPECT_EQ(delay.tmDelayExecutionThread(c.ms), 0);
        EXPECT_EQ(vt.nowUs() - before, c.sleptMs * 1000) << c.ms;
        EXPECT_EQ(trace.hasError("Error: tmDelayExecutionThread Parameter out of range", kDelayUnit), c.sleptMs == 0)
            << c.ms;
    }

    const Case shortCases[] = {{50, 50}, {1, 1}, {51, 0}, {0, 0}, {65537, 1}, {65536, 0}};
    for (const Case& c : shortCases) {
        trace.clear();
        const std::int64_t before = vt.nowUs();
        delay.tmDelayExecutionShort(static_cast<std::uint16_t>(c.ms)); // only the low 16 bits count
        EXPECT_EQ(vt.nowUs() - before, c.sleptMs * 1000) << c.ms;
        EXPECT_EQ(trace.hasError("Error: Parameter out of range", kDelayUnit), c.sleptMs == 0) << c.ms;
    }
}

TEST(OSDependFactory, CreatesServicesAndNothingElse)
{
    VirtualTimeService vt;
    ScopedTimeService scope(vt);
    COSDependFactory factory;
    tmIOSDependFactory& f = factory;
    std::unique_ptr<tmIOSDependDelayExecution> delay(f.tmICreateDelayExecution());
    std::unique_ptr<tmIOSDependTimeOut> timeOut(f.tmICreateTimeOut());
    EXPECT_NE(dynamic_cast<tmCOSDependDelayExecution*>(delay.get()), nullptr);
    EXPECT_NE(dynamic_cast<tmCOSDependTimeOut*>(timeOut.get()), nullptr);
    int dummy = 0;
    EXPECT_EQ(f.tmICreateReserved1(), nullptr);
    EXPECT_EQ(f.tmICreateReserved3(), nullptr);
    EXPECT_EQ(f.tmICreateReserved6(), nullptr);
    EXPECT_EQ(f.tmICreateReserved7(&dummy), nullptr);
}

TEST(Trace, LinesAreCutAtTheirLimitsAndCarryTheirLevel)
{
    TraceCapture trace;
    const std::string longUnit(600, 'u');
    const std::string longText(400, 'x');
    tmSetTraceLevel(0);
    tmTraceLocation(17, longUnit.c_str());
    tmTraceLocation(17, nullptr);
    tmSetTraceLevel(2);
    tmTracePrint("%s", longText.c_str());
    tmTracePrint("Info: %d %s", 42, "ok");

    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].level, 0);
    EXPECT_EQ(lines[0].text.size(), 499u);
    EXPECT_EQ(lines[0].text.rfind("Error: In function: uuu", 0), 0u);
    EXPECT_EQ(lines[1].level, 2);
    EXPECT_EQ(lines[1].text, std::string(255, 'x'));
    EXPECT_EQ(lines[2].text, "Info: 42 ok");

    trace.clear();
    tmSetTraceLevel(0);
    tmTraceLocation(123, "NEC_Decoder");
    EXPECT_EQ(trace.lines().at(0).text, "Error: In function: NEC_Decoder (Line 123)\n");
}

} // namespace
