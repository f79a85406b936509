#include "OSDependDelayExecution.h"

#include "platform/os/TimeService.h"
#include "tmTrace.h"

namespace {
const char* const kUnit = ".\\IRsrc\\OSDependDelayExecution";
}

std::int32_t tmCOSDependDelayExecution::tmDelayExecutionThread(std::uint32_t milliseconds)
{
    if (milliseconds == 0 || milliseconds > 4000) {
        tmSetTraceLevel(0);
        tmTraceLocation(__LINE__, kUnit);
        tmTracePrint("Error: tmDelayExecutionThread Parameter out of range");
        return 0;
    }
    remorra::os::timeService().sleepMs(milliseconds);
    return 0;
}

void tmCOSDependDelayExecution::tmDelayExecutionShort(std::uint16_t milliseconds)
{
    if (milliseconds == 0 || milliseconds > 50) {
        tmSetTraceLevel(0);
        tmTraceLocation(__LINE__, kUnit);
        tmTracePrint("Error: Parameter out of range");
        return;
    }
    remorra::os::timeService().sleepMs(milliseconds);
}
