#pragma once
#include <cstddef>

// Shared by LowMemory.cpp and the platform's part (platform/os/<platform>/).
namespace remorra::os {

// At least `size` zeroed, writable bytes, low in memory; `mapped` receives
// the size to release. Null when the platform has none. The caller checks
// that the bytes end at or below 4 GiB.
void* allocateBelow4GiB(std::size_t size, std::size_t& mapped);
void releaseBelow4GiB(void* p, std::size_t mapped);

} // namespace remorra::os
