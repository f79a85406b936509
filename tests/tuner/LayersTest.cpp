#include "platform/os/LowMemory.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace remorra::tuner;
using remorra::os::EventHandle;

namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }

class Recorder final : public CInterruptCallback {
public:
    void OnInterrupt(const std::uint32_t* edge) override
    {
        // Only the first edges are looked at; a stream of them must not overrun.
        if (const int i = count.load(); i < 64)
            seen[i] = *edge;
        count.fetch_add(1);
    }
    std::uint32_t seen[64] = {};
    std::atomic<int> count{0};
};

} // namespace

TEST(TunerLayers, LegacyPin18Source1SendsEventId5WithEvent1Handle)
{
    SimTunerCard card(SimTunerCard::Options{0, 18});
    CInterrupt_Interface layer(0, &card);
    Recorder cb;
    ASSERT_EQ(layer.tmIEnableInterrupt(18, 1, &cb), 0);
    const auto req = card.lastRequest(SimRequest::EventEnable);
    ASSERT_EQ(req.size(), 24u);
    EXPECT_EQ(get32(req.data() + 16), 5u);
    EXPECT_EQ(get32(req.data() + 20), 1u);
    const auto rec = card.lastData(SimRequest::EventEnable);
    ASSERT_EQ(rec.size(), 16u);
    EXPECT_EQ(get32(rec.data()), 1u);
    EXPECT_EQ(get32(rec.data() + 4), layer.Event(1));
    EXPECT_EQ(card.accepted(SimRequest::EventEnable), 1);
    EXPECT_EQ(layer.tmIDisableInterrupt(18, 1), 0);
}

TEST(TunerLayers, ResultCodes9And40And62)
{
    SimTunerCard card;
    CInterrupt_Interface legacy(0, &card);
    Recorder cb;
    EXPECT_EQ(legacy.tmIEnableInterrupt(4, 0, &cb), 9);
    EXPECT_EQ(legacy.tmIDisableInterrupt(4, 0), 9);
    EXPECT_EQ(card.accepted(SimRequest::EventEnable) + card.refused(SimRequest::EventEnable), 0);
    CInterrupt_Interface chip(0x7231, &card);
    EXPECT_EQ(chip.tmIEnableInterrupt(4, 0, nullptr), 40);
    EXPECT_EQ(legacy.tmIEnableInterrupt(18, 0, nullptr), 40);
    ASSERT_EQ(chip.tmIEnableInterrupt(4, 0, &cb), 0);
    card.refuse(SimRequest::EventDisable);
    EXPECT_EQ(chip.tmIDisableInterrupt(4, 0), 62);
}

TEST(TunerLayers, ChipPin4RecordAndDisableSendsFirst16Bytes)
{
    SimTunerCard card;
    CInterrupt_Interface layer(0x7231, &card);
    Recorder cb;
    ASSERT_EQ(layer.tmIEnableInterrupt(4, 0, &cb), 0);
    const auto req = card.lastRequest(SimRequest::EventEnable);
    EXPECT_EQ(getGuid(req.data()), kChipEventSet);
    EXPECT_EQ(get32(req.data() + 16), 4u);
    const auto rec = card.lastData(SimRequest::EventEnable);
    ASSERT_EQ(rec.size(), 24u);
    EXPECT_EQ(rec[16], 4);
    EXPECT_EQ(card.registrations(), 1u);
    EXPECT_EQ(layer.tmIDisableInterrupt(4, 0), 0);
    const auto dis = card.lastData(SimRequest::EventDisable);
    EXPECT_EQ(dis, std::vector<std::uint8_t>(rec.begin(), rec.begin() + 16));
    EXPECT_TRUE(card.lastRequest(SimRequest::EventDisable).empty());
    EXPECT_EQ(card.registrations(), 0u);
}

TEST(TunerLayers, ChipGetPinAndPinDirectionBytes)
{
    SimTunerCard card;
    CGPIO_Interface gpio(&card, 0x7231);
    std::uint8_t level = 7;
    ASSERT_EQ(gpio.tmIGetPin(4, &level), 1);
    EXPECT_EQ(level, 1);
    const auto req = card.lastRequest(SimRequest::ChipGetPin);
    ASSERT_EQ(req.size(), 32u);
    EXPECT_EQ(std::vector<std::uint8_t>(req.begin() + 24, req.end()), bytes({2, 0, 0, 0, 0x31, 0x72, 1, 4}));
    EXPECT_STREQ(gpio.Status(), "No Error");

    ASSERT_EQ(gpio.tmISetPinDirection(0x10, 0x10), 0);
    const auto dir = card.lastRequest(SimRequest::ChipPinDirection);
    ASSERT_EQ(dir.size(), 40u);
    EXPECT_EQ(get32(dir.data() + 16), 0u);
    EXPECT_EQ(get32(dir.data() + 20), 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(dir.begin() + 32, dir.begin() + 36), bytes({0x10, 0, 0, 0}));
    EXPECT_EQ(card.lastData(SimRequest::ChipPinDirection), bytes({0x10, 0, 0, 0}));
}

TEST(TunerLayers, GpioFailuresKeepLevelAndReportStatus)
{
    CGPIO_Interface none(nullptr, 0);
    EXPECT_STREQ(none.Status(), "Filter '713x BDA Analog Capture' not found");
    std::uint8_t level = 9;
    EXPECT_EQ(none.tmIGetPin(4, &level), 0);
    EXPECT_EQ(level, 9);
    EXPECT_STREQ(none.Status(), "m_pAnalogCaptureFilter object not initialized");
    EXPECT_NE(none.tmISetPinDirection(0x10, 0x10), 0);

    SimTunerCard card;
    CGPIO_Interface wrongId(&card, 0x7230); // the card serves 0x7231 only
    EXPECT_EQ(wrongId.tmIGetPin(4, &level), 0);
    EXPECT_STREQ(wrongId.Status(), "Get property failed");
    CGPIO_Interface legacy(&card, 0);
    card.loseInterfaces(true, false);
    EXPECT_EQ(legacy.tmISetPin(3, 0), 0);
    EXPECT_STREQ(legacy.Status(), "QueryInterface failed");
    card.loseInterfaces(false, false);
    EXPECT_EQ(legacy.tmISetPin(3, 0), 1);
    EXPECT_EQ(card.writtenLevel(3), 0);
    card.refuse(SimRequest::LegacySetPin);
    EXPECT_EQ(legacy.tmISetPin(3, 1), 0);
    EXPECT_STREQ(legacy.Status(), "Set property failed");
}

TEST(TunerLayers, ProbeFindsConfiguredIdOrNone)
{
    SimTunerCard first;
    int sent = 0;
    EXPECT_EQ(probeImplementationId(&first, &sent), 0x7231);
    EXPECT_EQ(sent, 1);
    SimTunerCard last(SimTunerCard::Options{0x7160, 4});
    EXPECT_EQ(probeImplementationId(&last, &sent), 0x7160);
    EXPECT_EQ(sent, 210);
    SimTunerCard none(SimTunerCard::Options{0, 4});
    EXPECT_EQ(probeImplementationId(&none, &sent), 0);
    EXPECT_EQ(sent, 210);
    none.loseInterfaces(false, true);
    EXPECT_EQ(probeImplementationId(&none, &sent), 0);
    EXPECT_EQ(sent, 0);
}

TEST(TunerLayers, ProbeAnswerTravelsThroughTheRequestsPointerOnly)
{
    // A driver that answers in the data byte is not one that serves the probe.
    struct DataByteAnswer final : ICaptureFilter {
        bool offersPropertySet() const override { return true; }
        bool offersControl() const override { return true; }
        HResult propertySet(const Guid&, std::uint32_t, std::span<const std::uint8_t>,
                            std::span<const std::uint8_t>) override { return kFail; }
        HResult propertyGet(const Guid&, std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>,
                            std::uint32_t*) override { return kFail; }
        HResult ksProperty(std::span<const std::uint8_t>, std::span<std::uint8_t> data, std::uint32_t*) override
        {
            data[0] = 1;
            return kOk;
        }
        HResult ksEvent(std::span<const std::uint8_t>, std::span<std::uint8_t>, std::uint32_t*) override { return kFail; }
    } dataByte;
    int sent = 0;
    EXPECT_EQ(probeImplementationId(&dataByte, &sent), 0);
    EXPECT_EQ(sent, 210);

    SimTunerCard card;
    std::uint8_t data = 0xFE;
    std::uint32_t stale = 0;
    {
        remorra::os::LowMemoryBlock flag(1);
        ASSERT_TRUE(flag);
        stale = flag.address32();
        EXPECT_EQ(card.ksProperty(probeRequest(0x7231, stale), {&data, 1}, nullptr), kOk);
        EXPECT_EQ(flag.data()[0], 1);
        EXPECT_EQ(data, 0xFE) << "the data byte carries no answer";
    }
    // A pointer to no live flag of this process is never written through.
    for (const std::uint32_t pointer : {1u, stale}) {
        SCOPED_TRACE(pointer);
        EXPECT_EQ(card.ksProperty(probeRequest(0x7231, pointer), {&data, 1}, nullptr), kInvalidArg);
    }
}

TEST(TunerLayers, ConstructionFailuresLeaveNoThread)
{
    setFilterGraphCreationFails(true);
    SimTunerCard card;
    {
        CInterrupt_Interface layer(0x7231, &card);
        EXPECT_STREQ(layer.Status(), "CLSID_FilterGraph creation failed");
        EXPECT_FALSE(layer.ThreadRunning());
    }
    setFilterGraphCreationFails(false);
    CInterrupt_Interface noFilter(0x7231, nullptr);
    EXPECT_STREQ(noFilter.Status(), "Filter 'Analog Capture' not found");
    EXPECT_FALSE(noFilter.ThreadRunning());
    CInterrupt_Interface ok(0x7231, &card);
    EXPECT_STREQ(ok.Status(), "No Error");
    EXPECT_TRUE(ok.ThreadRunning());
}

TEST(TunerLayers, TwoEventsSignalledTogetherArriveAsTwoCallsSourceZeroFirst)
{
#ifdef _WIN32
    GTEST_SKIP() << "the test's own std::atomic waits can miss a wake-up with MinGW's libstdc++";
#endif
    // The first call holds the thread until both events are pending again, so
    // its next wait sees them together.
    class Gate final : public CInterruptCallback {
    public:
        void OnInterrupt(const std::uint32_t* edge) override
        {
            const int i = n.load();
            order[i] = *edge;
            n.store(i + 1);
            n.notify_all();
            if (i == 0)
                release.wait(false);
        }
        std::uint32_t order[8] = {};
        std::atomic<int> n{0};
        std::atomic<bool> release{false};
    } gate;
    SimTunerCard card(SimTunerCard::Options{0, 18});
    CInterrupt_Interface layer(0, &card);
    layer.tmIEnableInterrupt(18, 0, &gate);
    layer.tmIEnableInterrupt(18, 1, &gate);
    remorra::os::setEvent(layer.Event(0));
    gate.n.wait(0);
    remorra::os::setEvent(layer.Event(1));
    remorra::os::setEvent(layer.Event(0));
    gate.release.store(true);
    gate.release.notify_all();
    for (int v = gate.n.load(); v < 3; v = gate.n.load())
        gate.n.wait(v);
    EXPECT_EQ(gate.order[0], 0u);
    EXPECT_EQ(gate.order[1], 0u);
    EXPECT_EQ(gate.order[2], 1u);
    layer.tmIDisableInterrupt(18, 0);
    layer.tmIDisableInterrupt(18, 1);
}

TEST(TunerLayers, WaitOrderIsLowestIndexFirst)
{
    EventHandle h[3] = {remorra::os::createEvent(), remorra::os::createEvent(), remorra::os::createEvent()};
    remorra::os::setEvent(h[2]);
    remorra::os::setEvent(h[1]);
    remorra::os::setEvent(h[0]);
    EXPECT_EQ(remorra::os::waitForEvents(h, 3), 0);
    EXPECT_EQ(remorra::os::waitForEvents(h, 3), 1);
    EXPECT_EQ(remorra::os::waitForEvents(h, 3), 2);
    remorra::os::closeEvent(h[1]);
    EXPECT_EQ(remorra::os::waitForEvents(h, 3), -1); // a broken wait fails, never spins
    remorra::os::closeEvent(h[0]);
    remorra::os::closeEvent(h[2]);
    EXPECT_FALSE(remorra::os::setEvent(h[0]));
}

TEST(TunerLayers, ClosingAnEventWakesItsBlockedWaiterWhichFails)
{
    const EventHandle h[2] = {remorra::os::createEvent(), remorra::os::createEvent()};
    int got = 0;
    std::thread waiter([&] { got = remorra::os::waitForEvents(h, 2); });
    // Handled: nothing pending and the thread waits on it.
    EXPECT_EQ(remorra::os::waitUntilHandled(h[1]), remorra::os::HandledResult::Handled);
    remorra::os::closeEvent(h[1]);
    waiter.join();
    EXPECT_EQ(got, -1);
    EXPECT_FALSE(remorra::os::isOpenEvent(h[1]));
    EXPECT_TRUE(remorra::os::setEvent(h[0]));
    EXPECT_EQ(remorra::os::waitForEvents(h, 1), 0);
    remorra::os::closeEvent(h[0]);
}

TEST(TunerLayers, VirtualReplayDeliversEachBurstStartAndDestructionMidStreamIsClean)
{
    remorra::os::VirtualTimeService clock;
    remorra::os::ScopedTimeService use(clock);
    SimTunerCard card;
    Recorder cb;
    {
        CInterrupt_Interface layer(0x7231, &card);
        layer.tmIEnableInterrupt(4, 0, &cb);
        card.load({9000, 4500, 560, 560, 560}, clock.nowTicks() + 1000);
        card.replay(clock);
        EXPECT_EQ(cb.count.load(), 3);
        layer.tmIDisableInterrupt(4, 0);
    }
}

TEST(TunerLayers, ReplayStopsWithAnErrorWhenNobodyTakesTheEvent)
{
#ifdef _WIN32
    GTEST_SKIP() << "the test's own std::atomic waits can miss a wake-up with MinGW's libstdc++";
#endif
    // A callback that never returns until released keeps the thread from
    // waiting again, as a stuck or missing interrupt thread would.
    class Stuck final : public CInterruptCallback {
    public:
        void OnInterrupt(const std::uint32_t*) override { release.wait(false); }
        std::atomic<bool> release{false};
    } stuck;
    remorra::os::VirtualTimeService clock;
    remorra::os::ScopedTimeService use(clock);
    SimTunerCard card;
    CInterrupt_Interface layer(0x7231, &card);
    layer.tmIEnableInterrupt(4, 0, &stuck);
    card.load({9000, 4500, 560, 560, 560}, clock.nowTicks() + 1000);
    std::string error;
    EXPECT_FALSE(card.replay(clock, &error, std::chrono::milliseconds(50)));
    EXPECT_EQ(error, "replay stopped at edge 1 of 6: no thread took the card's event within 50 ms");
    stuck.release.store(true);
    stuck.release.notify_all();
    layer.tmIDisableInterrupt(4, 0);
}

TEST(TunerLayers, DestructionWhileRealTimeEdgesArriveNeitherHangsNorCrashes)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        SimTunerCard live;
        Recorder r;
        auto layer = std::make_unique<CInterrupt_Interface>(0x7231, &live);
        ASSERT_EQ(layer->tmIEnableInterrupt(4, 0, &r), 0);
        std::vector<std::uint32_t> fast(400, 50);
        remorra::os::ITimeService& time = remorra::os::timeService();
        live.load(fast, time.counter());
        live.startPlayer();
        // Destroyed only once edges are being delivered, not before the first.
        for (const std::int64_t limit = time.counter() + time.frequency() * 5; r.count.load() == 0;) {
            ASSERT_LT(time.counter(), limit) << "no edge delivered";
            std::this_thread::yield();
        }
        layer.reset();
        const int atDestruction = r.count.load();
        live.joinPlayer();
        EXPECT_EQ(r.count.load(), atDestruction) << "a callback after the layer was destroyed";
        const auto& played = live.playedTicks();
        EXPECT_EQ(std::count(played.begin(), played.end(), 0), 0) << "the card stopped at the closed event";
    }
}
