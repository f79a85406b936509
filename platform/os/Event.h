#pragma once
// Auto-reset events addressed by a 32-bit handle, so that a handle can travel
// inside a driver record exactly as a Win32 event handle does: on Windows it
// is the Win32 event's own handle, which a driver signals directly.
// Signalling and waiting take no lock and allocate nothing; the table is
// fixed in size.
#include <chrono>
#include <cstdint>

namespace remorra::os {

using EventHandle = std::uint32_t; // 0 = no event

// Created unsignalled and unnamed; 0 when the table is full.
EventHandle createEvent();
// Stale or zero handles are ignored (on Windows a closed handle's value may
// name a later event, as Win32 handles do). A waiter blocked on it wakes and
// fails.
void closeEvent(EventHandle h);
// Sets the event; false when the handle names no open event.
bool setEvent(EventHandle h);
bool isOpenEvent(EventHandle h);

// Edge instants that travel with the signal (platform/os/EdgeTime.h). Sets
// the event and queues `ticks` behind the instants not yet taken, so that a
// waiter woken late still gets every edge with its own time. One thread
// signals an event this way; a few events at once can carry instants (an
// event beyond them, or a full queue, is signalled without the instant).
bool setEventAt(EventHandle h, std::int64_t ticks);
// Whether instants have been queued on the event since it was created.
bool eventCarriesTimes(EventHandle h);
// For the thread that waits on the event: the oldest instant queued, which
// stays queued (holding the decoders' clock back) until popEventTime.
bool peekEventTime(EventHandle h, std::int64_t& ticks);
void popEventTime(EventHandle h);
// The oldest instant queued on any event; false when there is none.
bool oldestQueuedEventTime(std::int64_t& ticks);

// Blocks until one of the events is signalled and returns its index, the
// lowest signalled one first; resets that event only. Returns -1 at once when
// a handle is not open (or is closed while waiting), so a caller cannot spin
// on a broken wait. At most 64 handles on Windows (its wait limit).
int waitForEvents(const EventHandle* handles, int count);

// For replays in virtual time: blocks until the event's pending signal (and
// every instant queued with it) was taken and a thread is blocked waiting on
// it again (the signal has been handled), until the event is closed, or until `limit` of real time passed
// (nobody is waiting on it, or its waiter is stuck).
enum class HandledResult { Handled, Closed, TimedOut };
HandledResult waitUntilHandled(EventHandle h, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Raises the calling thread to the highest priority the platform grants;
// silently keeps the current one when refused.
void raiseThreadPriority();
// Lowers the calling thread below every normal thread: it runs only on a CPU
// that would otherwise be idle. False where the platform keeps it level with
// the others (refused, or Wine, which leaves every thread at the normal Unix
// priority), so that a caller does not compete with the threads it serves.
bool lowerThreadToIdle();

} // namespace remorra::os
