#pragma once
// Shared by Files.cpp and the platform's part (platform/os/<platform>/).
namespace remorra::os {

// The limit set by setAtomicWriteFailAfter; -1 when off.
long long atomicWriteFailAfter();

} // namespace remorra::os
