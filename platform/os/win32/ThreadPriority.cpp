#include "platform/os/Event.h"

#include <windows.h>

namespace remorra::os {

void raiseThreadPriority()
{
    // Refused only for odd tokens; the thread then keeps its priority.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

bool lowerThreadToIdle()
{
    // Wine records the priority but schedules the thread as any other.
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE) && !wine;
}

} // namespace remorra::os
