#pragma once
// The real-time edge clock's coarse sleep (platform/receivers/<platform>/).
#include <cstdint>

namespace remorra::receivers {

// Sleeps for about `ns` nanoseconds and never longer than that by more than
// the platform's wake-up latency; the caller spins the rest.
void sleepAtMostNs(std::int64_t ns);

} // namespace remorra::receivers
