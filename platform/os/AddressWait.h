#pragma once
// Blocking on a 32-bit word until it changes, and waking its waiters: the
// kernel's own primitive on each platform (futex through std::atomic on Linux,
// WaitOnAddress on Windows), since MinGW's std::atomic::wait can lose a wake-up.
#include <atomic>
#include <cstdint>

namespace remorra::os {

// Returns once `word` no longer holds `old` (spurious returns allowed).
void waitWhileEquals(const std::atomic<std::uint32_t>& word, std::uint32_t old);
void wakeAllWaiters(std::atomic<std::uint32_t>& word);

} // namespace remorra::os
