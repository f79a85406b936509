#include "platform/os/Event.h"
#include "platform/os/EventPlatform.h"
#include "platform/os/EventTimes.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <thread>

namespace remorra::os {
namespace {

// An event handle is the Win32 event's own handle value, so a driver record
// names an event the driver signals itself and the waiting thread wakes with
// no relay. Windows keeps handle values within 32 bits for 32- and 64-bit
// code to share them. The table only adds what a Win32 event cannot tell:
// whether a signal set here was taken and who waits (for waitUntilHandled),
// and when nobody uses the handle any more, so that it is closed only then.
constexpr int kSlots = 255;

enum State : int { Free, Creating, Open, Closing };

struct Slot {
    std::atomic<int> state{Free};
    std::atomic<EventHandle> handle{0};
    std::atomic<bool> signalled{false}; // set through setEvent, not taken yet
    std::atomic<int> waiters{0};
    std::atomic<int> setters{0};
};

std::array<Slot, kSlots> g_slots;

HANDLE win32Handle(EventHandle h)
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}

// Handle values are multiples of 4: the search starts where the handle
// usually sits, so a lookup nearly always takes one step.
std::size_t home(EventHandle h) { return (h >> 2) % kSlots; }

bool names(const Slot& s, EventHandle h)
{
    return s.state.load(std::memory_order_seq_cst) == Open && s.handle.load(std::memory_order_seq_cst) == h;
}

Slot* lookup(EventHandle h)
{
    if (h == 0)
        return nullptr;
    for (std::size_t i = 0, at = home(h); i < kSlots; ++i, at = (at + 1) % kSlots)
        if (names(g_slots[at], h))
            return &g_slots[at];
    return nullptr;
}

} // namespace

EventHandle createEvent()
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        return 0;
    const auto h = static_cast<EventHandle>(reinterpret_cast<std::uintptr_t>(event));
    for (std::size_t i = 0, at = home(h); i < kSlots; ++i, at = (at + 1) % kSlots) {
        Slot& s = g_slots[at];
        int expected = Free;
        if (!s.state.compare_exchange_strong(expected, Creating, std::memory_order_acq_rel))
            continue;
        s.signalled.store(false);
        s.waiters.store(0);
        s.setters.store(0);
        s.handle.store(h);
        s.state.store(Open, std::memory_order_seq_cst);
        return h;
    }
    CloseHandle(event);
    return 0;
}

void closeEvent(EventHandle h)
{
    Slot* s = lookup(h);
    if (!s)
        return;
    int expected = Open;
    if (!s->state.compare_exchange_strong(expected, Closing, std::memory_order_seq_cst))
        return; // closed by another thread meanwhile
    // Waiting on a handle that is closed meanwhile is undefined: wake the
    // waiters (they see the event closing and fail) and close it after them.
    while (s->waiters.load(std::memory_order_seq_cst) > 0 || s->setters.load(std::memory_order_seq_cst) > 0) {
        SetEvent(win32Handle(h));
        std::this_thread::yield();
    }
    // Before the value can name a later event, as Win32 handle values may.
    detail::releaseEventTimes(h);
    CloseHandle(win32Handle(h));
    s->handle.store(0);
    s->state.store(Free, std::memory_order_release);
}

bool setEvent(EventHandle h)
{
    Slot* s = lookup(h);
    if (!s)
        return false;
    s->setters.fetch_add(1, std::memory_order_seq_cst);
    const bool open = names(*s, h);
    if (open) {
        s->signalled.store(true, std::memory_order_release);
        SetEvent(win32Handle(h));
    }
    s->setters.fetch_sub(1, std::memory_order_seq_cst);
    return open;
}

bool isOpenEvent(EventHandle h) { return lookup(h) != nullptr; }

int waitForEvents(const EventHandle* handles, int count)
{
    if (count <= 0 || count > MAXIMUM_WAIT_OBJECTS)
        return -1;
    Slot* slots[MAXIMUM_WAIT_OBJECTS];
    HANDLE waitOn[MAXIMUM_WAIT_OBJECTS];
    for (int i = 0; i < count; ++i) {
        if (!(slots[i] = lookup(handles[i])))
            return -1;
        waitOn[i] = win32Handle(handles[i]);
    }
    auto leave = [&] {
        for (int i = 0; i < count; ++i)
            slots[i]->waiters.fetch_sub(1, std::memory_order_seq_cst);
    };
    for (int i = 0; i < count; ++i)
        slots[i]->waiters.fetch_add(1, std::memory_order_seq_cst);
    // Counted as a waiter first: a close that began before is seen here, one
    // that begins after waits for this wait to end.
    for (int i = 0; i < count; ++i)
        if (!names(*slots[i], handles[i])) {
            leave();
            return -1;
        }
    const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(count), waitOn, FALSE, INFINITE);
    int got = r < WAIT_OBJECT_0 + static_cast<DWORD>(count) ? static_cast<int>(r - WAIT_OBJECT_0) : -1;
    leave();
    // Taken only once this thread no longer counts as waiting, so that
    // waitUntilHandled sees it handled when the thread waits again.
    if (got >= 0) {
        if (names(*slots[got], handles[got]))
            slots[got]->signalled.store(false, std::memory_order_release);
        else
            got = -1; // closed while waiting
    }
    return got;
}

namespace detail {

std::optional<HandledResult> handledNow(EventHandle h)
{
    return handledState(lookup(h));
}

} // namespace detail

} // namespace remorra::os
