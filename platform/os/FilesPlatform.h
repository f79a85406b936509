#pragma once
#include <cstddef>

// Shared by Files.cpp and the platform's part (platform/os/<platform>/).
namespace remorra::os {

// Asked once by each writeFileAtomically: whether the failure set by
// setAtomicWriteFailAfter hits this write, and how many of `size` bytes it
// writes before failing.
struct SimulatedWrite {
    bool fails = false;
    std::size_t limit = 0;
};
SimulatedWrite simulatedWrite(std::size_t size);
// Each writeFileAtomically that replaced its target says so once.
void countReplacement();

} // namespace remorra::os
