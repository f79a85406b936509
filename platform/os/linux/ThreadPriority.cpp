#include "platform/os/Event.h"

#include <pthread.h>
#include <sched.h>

namespace remorra::os {

void raiseThreadPriority()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
        // Unprivileged: the normal policy's priority is all there is.
    }
}

bool lowerThreadToIdle()
{
    sched_param param{};
    return pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
}

} // namespace remorra::os
