#include "platform/receivers/EdgeSleep.h"

#include <windows.h>

namespace remorra::receivers {

// Sleep rounds up to the system tick (up to 16 ms), so a tick is left out.
void sleepAtMostNs(std::int64_t ns)
{
    const std::int64_t ms = ns / 1'000'000 - 16;
    if (ms > 0)
        Sleep(static_cast<DWORD>(ms));
}

} // namespace remorra::receivers
