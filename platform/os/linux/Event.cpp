#include "platform/os/Event.h"
#include "platform/os/EventPlatform.h"
#include "platform/os/AddressWait.h"
#include "platform/os/EventTimes.h"

#include <array>
#include <atomic>

namespace remorra::os {
namespace {

constexpr int kSlots = 255;

struct Slot {
    std::atomic<bool> inUse{false};
    std::atomic<std::uint32_t> generation{0};
    std::atomic<bool> signalled{false};
    std::atomic<int> waiters{0};
};

std::array<Slot, kSlots> g_slots;

// Bumped on every signal and close; waiters sleep on it.
std::atomic<std::uint32_t> g_signalEpoch{0};

Slot* lookup(EventHandle h)
{
    const std::uint32_t index = h & 0xFFu;
    if (index == 0 || index > kSlots)
        return nullptr;
    Slot& s = g_slots[index - 1];
    if (!s.inUse.load(std::memory_order_acquire) || s.generation.load(std::memory_order_acquire) != (h >> 8))
        return nullptr;
    return &s;
}

void bump(std::atomic<std::uint32_t>& epoch)
{
    epoch.fetch_add(1, std::memory_order_acq_rel);
    wakeAllWaiters(epoch);
}




} // namespace

EventHandle createEvent()
{
    for (int i = 0; i < kSlots; ++i) {
        Slot& s = g_slots[static_cast<std::size_t>(i)];
        bool expected = false;
        if (!s.inUse.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
            continue;
        s.signalled.store(false);
        s.waiters.store(0);
        // 24 bits of generation keep a stale handle from naming a reused slot.
        const std::uint32_t gen = (s.generation.load() + 1) & 0xFFFFFFu;
        s.generation.store(gen == 0 ? 1 : gen, std::memory_order_release);
        return (s.generation.load() << 8) | static_cast<std::uint32_t>(i + 1);
    }
    return 0;
}

void closeEvent(EventHandle h)
{
    Slot* s = lookup(h);
    if (!s)
        return;
    s->generation.fetch_add(1, std::memory_order_acq_rel);
    detail::releaseEventTimes(h);
    s->inUse.store(false, std::memory_order_release);
    bump(g_signalEpoch);
}

bool setEvent(EventHandle h)
{
    Slot* s = lookup(h);
    if (!s)
        return false;
    s->signalled.store(true, std::memory_order_release);
    bump(g_signalEpoch);
    return true;
}

bool isOpenEvent(EventHandle h) { return lookup(h) != nullptr; }

int waitForEvents(const EventHandle* handles, int count)
{
    if (count <= 0 || count > kSlots)
        return -1;
    Slot* slots[kSlots];
    for (int i = 0; i < count; ++i)
        if (!(slots[i] = lookup(handles[i])))
            return -1;
    auto take = [&]() -> int {
        for (int i = 0; i < count; ++i) {
            if (lookup(handles[i]) != slots[i])
                return -2;
            if (slots[i]->signalled.exchange(false, std::memory_order_acq_rel))
                return i;
        }
        return -1;
    };
    for (;;) {
        const std::uint32_t epoch = g_signalEpoch.load(std::memory_order_acquire);
        const int got = take();
        if (got >= 0)
            return got;
        if (got == -2)
            return -1;
        for (int i = 0; i < count; ++i)
            slots[i]->waiters.fetch_add(1, std::memory_order_acq_rel);
        waitWhileEquals(g_signalEpoch, epoch);
        for (int i = 0; i < count; ++i)
            slots[i]->waiters.fetch_sub(1, std::memory_order_acq_rel);
    }
}

namespace detail {

std::optional<HandledResult> handledNow(EventHandle h)
{
    return handledState(lookup(h));
}

} // namespace detail

} // namespace remorra::os
