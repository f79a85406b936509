#include "platform/os/LowMemoryPlatform.h"

#include <cstdint>

#include <windows.h>

namespace remorra::os {

namespace {
constexpr std::uintptr_t k4GiB = std::uintptr_t{0xFFFFFFFFu};
}

void* allocateBelow4GiB(std::size_t size, std::size_t& mapped)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::uintptr_t grain = info.dwAllocationGranularity;
    mapped = size;
    // VirtualAlloc takes no upper bound: walk the free regions from the bottom
    // and take the first one low enough. Another thread may win a region
    // between the query and the allocation; the walk then moves on.
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(info.lpMinimumApplicationAddress);
    while (at < k4GiB) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) == 0)
            break;
        const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        const std::uintptr_t end = base + region.RegionSize;
        if (region.State == MEM_FREE) {
            const std::uintptr_t start = (base + grain - 1) / grain * grain;
            if (start + size - 1 > k4GiB)
                break;
            if (start + size <= end)
                if (void* p = VirtualAlloc(reinterpret_cast<void*>(start), size, MEM_RESERVE | MEM_COMMIT,
                                           PAGE_READWRITE))
                    return p;
        }
        if (end <= at)
            break;
        at = end;
    }
    return nullptr;
}

void releaseBelow4GiB(void* p, std::size_t) { VirtualFree(p, 0, MEM_RELEASE); }

} // namespace remorra::os
