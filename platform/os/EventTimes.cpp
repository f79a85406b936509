#include "platform/os/EventTimes.h"

#include <array>
#include <atomic>

namespace remorra::os {
namespace {

constexpr int kTimedEvents = 8;
constexpr std::uint32_t kTimesPerEvent = 256;
struct TimeQueue {
    std::atomic<EventHandle> owner{0};
    std::atomic<std::uint32_t> head{0};
    std::atomic<std::uint32_t> tail{0};
    std::array<std::atomic<std::int64_t>, kTimesPerEvent> at{};
};
std::array<TimeQueue, kTimedEvents> g_times;
// Instants queued on all events: what lets decoderNow() skip the scan.
std::atomic<int> g_queuedTimes{0};

TimeQueue* find(EventHandle h)
{
    if (h == 0)
        return nullptr;
    for (TimeQueue& q : g_times)
        if (q.owner.load() == h)
            return &q;
    return nullptr;
}

TimeQueue* lend(EventHandle h)
{
    if (TimeQueue* q = find(h))
        return q;
    for (TimeQueue& q : g_times) {
        EventHandle free = 0;
        if (q.owner.compare_exchange_strong(free, h)) {
            q.head.store(0);
            q.tail.store(0);
            return &q;
        }
    }
    return nullptr;
}

} // namespace

namespace detail {

bool queueEventTime(EventHandle h, std::int64_t ticks)
{
    TimeQueue* q = lend(h);
    if (!q)
        return false;
    const std::uint32_t head = q->head.load(std::memory_order_relaxed);
    if (head - q->tail.load() >= kTimesPerEvent)
        return false;
    // Counted before it is visible, so a reader of the count never misses
    // an instant it could see.
    g_queuedTimes.fetch_add(1);
    q->at[head % kTimesPerEvent].store(ticks, std::memory_order_relaxed);
    q->head.store(head + 1);
    // Lent to an event that closed meanwhile: give it back at once.
    if (!isOpenEvent(h))
        releaseEventTimes(h);
    return true;
}

void releaseEventTimes(EventHandle h)
{
    TimeQueue* q = find(h);
    if (!q)
        return;
    g_queuedTimes.fetch_sub(static_cast<int>(q->head.load() - q->tail.load()));
    q->head.store(0);
    q->tail.store(0);
    q->owner.store(0);
}

bool eventTimesPending(EventHandle h)
{
    const TimeQueue* q = find(h);
    return q && q->head.load() != q->tail.load();
}

} // namespace detail

bool eventCarriesTimes(EventHandle h) { return isOpenEvent(h) && find(h) != nullptr; }

bool peekEventTime(EventHandle h, std::int64_t& ticks)
{
    TimeQueue* q = isOpenEvent(h) ? find(h) : nullptr;
    if (!q)
        return false;
    const std::uint32_t tail = q->tail.load(std::memory_order_relaxed);
    if (q->head.load() == tail)
        return false;
    ticks = q->at[tail % kTimesPerEvent].load(std::memory_order_relaxed);
    return true;
}

void popEventTime(EventHandle h)
{
    TimeQueue* q = find(h);
    if (!q)
        return;
    const std::uint32_t tail = q->tail.load(std::memory_order_relaxed);
    if (q->head.load() == tail)
        return;
    q->tail.store(tail + 1);
    g_queuedTimes.fetch_sub(1);
}

bool oldestQueuedEventTime(std::int64_t& ticks)
{
    if (g_queuedTimes.load() <= 0)
        return false;
    bool found = false;
    for (const TimeQueue& q : g_times) {
        if (q.owner.load() == 0)
            continue;
        const std::uint32_t tail = q.tail.load();
        if (q.head.load() == tail)
            continue;
        const std::int64_t at = q.at[tail % kTimesPerEvent].load(std::memory_order_relaxed);
        if (!found || at < ticks)
            ticks = at;
        found = true;
    }
    return found;
}

} // namespace remorra::os
