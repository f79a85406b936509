#include "OSDependTimeOut.h"
#include "platform/os/EdgeTime.h"
#include "platform/os/Event.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace os = remorra::os;

namespace {

constexpr std::int64_t kTicksPerMs = 10'000; // the virtual service's 100 ns ticks

std::uint64_t decoderTime()
{
    tmCOSDependTimeOut timeOut;
    std::uint64_t t = 0;
    timeOut.tmIGetTime(&t);
    return t;
}

// Two decoders side by side: each reads the time for the same edge. The
// first edge can be held on the interrupt thread (in real time), another made
// to take long on the virtual clock, as a key's hold-off does.
struct TwoDecoders final : CInterruptCallback {
    explicit TwoDecoders(os::VirtualTimeService& clock) : clock(clock) {}
    void OnInterrupt(const std::uint32_t*) override
    {
        timeOut.tmIGetTime(&a);
        timeOut.tmIGetTime(&b);
        {
            std::lock_guard lock(mutex);
            seen.push_back({a, b});
        }
        entered.store(true);
        // Polled: MinGW's std::atomic::wait can lose a wake-up.
        while (hold.load())
            std::this_thread::yield();
        if (a == static_cast<std::uint64_t>(longAt))
            clock.sleepMs(30);
    }
    os::VirtualTimeService& clock;
    tmCOSDependTimeOut timeOut;
    std::uint64_t a = 0, b = 0;
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    std::atomic<bool> hold{false};
    std::atomic<bool> entered{false};
    std::int64_t longAt = -1;
};

} // namespace

TEST(EdgeTime, EveryDecoderReadsTheEdgesOwnInstantAndTimersWaitForIt)
{
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock(clock);
    clock.setCounter(10 * kTicksPerMs);
    remorra::tuner::SimTunerCard card;
    CInterrupt_Interface layer(0x7231, &card);
    TwoDecoders decoders(clock);
    ASSERT_EQ(layer.tmIEnableInterrupt(4, 0, &decoders), 0);
    const os::EventHandle h = layer.Event(0);
    auto seen = [&] {
        std::lock_guard lock(decoders.mutex);
        return decoders.seen;
    };
    using Seen = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

    // A driver event carries no instant: the decoders read the clock.
    os::setEvent(h);
    ASSERT_EQ(os::waitUntilHandled(h), os::HandledResult::Handled);
    EXPECT_EQ(seen(), (Seen{{10 * kTicksPerMs, 10 * kTicksPerMs}}));

    // Three edges queue up while the thread is held in the first: each comes
    // with its own instant, and meanwhile a timer's "now" stays at the oldest
    // edge not yet delivered.
    decoders.hold.store(true);
    decoders.entered.store(false);
    os::setEventAt(h, 1 * kTicksPerMs);
    while (!decoders.entered.load())
        std::this_thread::yield();
    os::setEventAt(h, 2 * kTicksPerMs);
    os::setEventAt(h, 3 * kTicksPerMs);
    EXPECT_EQ(decoderTime(), 1u * kTicksPerMs);
    decoders.hold.store(false);
    ASSERT_EQ(os::waitUntilHandled(h), os::HandledResult::Handled);
    EXPECT_EQ(seen().size(), 4u);
    EXPECT_EQ(seen().back(), std::make_pair(std::uint64_t{3 * kTicksPerMs}, std::uint64_t{3 * kTicksPerMs}));
    EXPECT_EQ(decoderTime(), 10u * kTicksPerMs);

    // A receive loop that has not signalled its next edge yet holds it back too.
    {
        os::EdgeHold next;
        next.hold(4 * kTicksPerMs);
        EXPECT_EQ(decoderTime(), 4u * kTicksPerMs);
        next.release();
        EXPECT_EQ(decoderTime(), 10u * kTicksPerMs);
    }

    // What happened while a callback held the thread for 30 ms (a key being
    // handled) is dropped; the next edge after it is delivered.
    clock.setCounter(20 * kTicksPerMs);
    decoders.longAt = 20 * kTicksPerMs;
    decoders.hold.store(true);
    decoders.entered.store(false);
    os::setEventAt(h, 20 * kTicksPerMs);
    while (!decoders.entered.load())
        std::this_thread::yield();
    os::setEventAt(h, 25 * kTicksPerMs);
    decoders.hold.store(false);
    ASSERT_EQ(os::waitUntilHandled(h), os::HandledResult::Handled);
    os::setEventAt(h, 55 * kTicksPerMs);
    ASSERT_EQ(os::waitUntilHandled(h), os::HandledResult::Handled);
    const Seen all = seen();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[4].first, 20u * kTicksPerMs);
    EXPECT_EQ(all[5].first, 55u * kTicksPerMs);
    EXPECT_EQ(layer.tmIDisableInterrupt(4, 0), 0);
}
