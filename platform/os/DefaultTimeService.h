#pragma once
// The platform's real time service, defined once per platform
// (platform/os/<platform>/); timeService() falls back to it.
#include "platform/os/TimeService.h"

namespace remorra::os {

ITimeService& defaultTimeService();

} // namespace remorra::os
