#pragma once
// Auto-reset events addressed by a 32-bit handle, so that a handle can travel
// inside a driver record exactly as a Win32 event handle does. Signalling and
// waiting take no lock and allocate nothing; the table is fixed in size.
#include <chrono>
#include <cstdint>

namespace remorra::os {

using EventHandle = std::uint32_t; // 0 = no event

// Created unsignalled and unnamed; 0 when the table is full.
EventHandle createEvent();
// Stale or zero handles are ignored. A waiter blocked on it wakes and fails.
void closeEvent(EventHandle h);
// Sets the event; false when the handle names no open event.
bool setEvent(EventHandle h);
bool isOpenEvent(EventHandle h);

// Blocks until one of the events is signalled and returns its index, the
// lowest signalled one first; resets that event only. Returns -1 at once when
// a handle is not open (or is closed while waiting), so a caller cannot spin
// on a broken wait.
int waitForEvents(const EventHandle* handles, int count);

// For replays in virtual time: blocks until the event's pending signal was
// taken and a thread is blocked waiting on it again (the signal has been
// handled), until the event is closed, or until `limit` of real time passed
// (nobody is waiting on it, or its waiter is stuck).
enum class HandledResult { Handled, Closed, TimedOut };
HandledResult waitUntilHandled(EventHandle h, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Raises the calling thread to the highest priority the platform grants;
// silently keeps the current one when refused.
void raiseThreadPriority();
// Lowers the calling thread below every normal thread: it runs only on a CPU
// that would otherwise be idle.
void lowerThreadToIdle();

} // namespace remorra::os
