#include "platform/os/AddressWait.h"

namespace remorra::os {

void waitWhileEquals(const std::atomic<std::uint32_t>& word, std::uint32_t old)
{
    word.wait(old, std::memory_order_acquire);
}

void wakeAllWaiters(std::atomic<std::uint32_t>& word) { word.notify_all(); }

} // namespace remorra::os
