#pragma once
// The instant queues behind setEventAt, shared by the platforms' events:
// a few queues, lent to an event on its first timed signal until it closes.
// Single producer (the signalling thread), single consumer (the waiter).
#include "platform/os/Event.h"

#include <cstdint>

namespace remorra::os::detail {

// Queues `ticks` on `h`'s queue (lending one on first use); false when no
// queue is free or it is full, and the signal then goes without the instant.
bool queueEventTime(EventHandle h, std::int64_t ticks);
// At close: the queue goes back, with whatever it still held.
void releaseEventTimes(EventHandle h);
// Instants queued on `h` and not yet taken.
bool eventTimesPending(EventHandle h);

} // namespace remorra::os::detail
