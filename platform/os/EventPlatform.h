#pragma once
// What each platform's events give the shared part (platform/os/Event.cpp).
#include "platform/os/Event.h"

#include <optional>

namespace remorra::os::detail {

// Closed, Handled (nothing signalled waits and a thread waits on it), or
// nothing yet.
std::optional<HandledResult> handledNow(EventHandle h);

} // namespace remorra::os::detail
