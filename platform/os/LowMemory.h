#pragma once
// Memory whose address fits in 32 bits, for driver requests that carry a
// pointer in a 4-byte field (the implementation-id probe's result flag). A
// driver writes through such a field; to keep that sound the blocks are
// registered, and a simulated driver finds the caller's memory only through
// lowMemoryAt, so a stale or forged field never becomes a write.
#include <cstddef>
#include <cstdint>

namespace remorra::os {

class LowMemoryBlock {
public:
    // `size` zeroed bytes below 4 GiB; empty when none can be had.
    explicit LowMemoryBlock(std::size_t size);
    ~LowMemoryBlock();
    LowMemoryBlock(const LowMemoryBlock&) = delete;
    LowMemoryBlock& operator=(const LowMemoryBlock&) = delete;

    explicit operator bool() const { return m_data != nullptr; }
    std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    // The address as a 4-byte request field carries it; 0 when empty.
    std::uint32_t address32() const;

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0;
};

// The `size` bytes at `address` when a live block of this process holds them
// whole, else null.
std::uint8_t* lowMemoryAt(std::uint32_t address, std::size_t size);

} // namespace remorra::os
