#include "platform/os/AddressWait.h"

#include <windows.h>

namespace remorra::os {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));

void waitWhileEquals(const std::atomic<std::uint32_t>& word, std::uint32_t old)
{
    while (word.load(std::memory_order_acquire) == old)
        WaitOnAddress(const_cast<std::atomic<std::uint32_t>*>(&word), &old, sizeof old, INFINITE);
}

void wakeAllWaiters(std::atomic<std::uint32_t>& word) { WakeByAddressAll(&word); }

} // namespace remorra::os
