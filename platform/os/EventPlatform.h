#pragma once
// What each platform's events give the shared part (platform/os/Event.cpp).
#include "platform/os/Event.h"

#include <atomic>
#include <optional>

namespace remorra::os::detail {

// Closed, Handled (nothing signalled waits and a thread waits on it), or
// nothing yet.
std::optional<HandledResult> handledNow(EventHandle h);

// handledNow for a platform's event slot (null: closed); each platform's
// slot has the same two counters.
template <class Slot>
std::optional<HandledResult> handledState(const Slot* s)
{
    if (!s)
        return HandledResult::Closed;
    if (!s->signalled.load(std::memory_order_acquire) && s->waiters.load(std::memory_order_acquire) > 0)
        return HandledResult::Handled;
    return std::nullopt;
}

} // namespace remorra::os::detail
