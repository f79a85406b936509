#pragma once
#include <cstddef>

// Shared by Files.cpp and the platform's part (platform/os/<platform>/).
namespace remorra::os {

// The limit set by setAtomicWriteFailAfter; -1 when off.
long long atomicWriteFailAfter();
// How many of `size` bytes a save may write before the simulated failure.
std::size_t atomicWriteLimit(std::size_t size);

} // namespace remorra::os
