#include "platform/os/Event.h"

#include <windows.h>

namespace remorra::os {

void raiseThreadPriority()
{
    // Refused only for odd tokens; the thread then keeps its priority.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

void lowerThreadToIdle()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

} // namespace remorra::os
