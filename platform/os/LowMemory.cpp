#include "platform/os/LowMemory.h"

#include "platform/os/LowMemoryPlatform.h"

#include <array>
#include <mutex>

namespace remorra::os {
namespace {

// Blocks live while a probe runs, a handful at most; the lock is never on an
// edge path.
struct Live {
    std::uintptr_t begin = 0;
    std::size_t size = 0;
};
std::mutex g_liveMutex;
std::array<Live, 16> g_live{};

bool enrol(std::uint8_t* p, std::size_t size)
{
    std::lock_guard lock(g_liveMutex);
    for (Live& l : g_live)
        if (l.size == 0) {
            l = {reinterpret_cast<std::uintptr_t>(p), size};
            return true;
        }
    return false;
}

void withdraw(std::uint8_t* p)
{
    std::lock_guard lock(g_liveMutex);
    for (Live& l : g_live)
        if (l.begin == reinterpret_cast<std::uintptr_t>(p))
            l = {};
}

} // namespace

LowMemoryBlock::LowMemoryBlock(std::size_t size)
{
    if (size == 0)
        return;
    void* p = allocateBelow4GiB(size, m_mapped);
    if (!p)
        return;
    const auto end = reinterpret_cast<std::uintptr_t>(p) + size;
    if (end - 1 > 0xFFFFFFFFu || !enrol(static_cast<std::uint8_t*>(p), size)) {
        releaseBelow4GiB(p, m_mapped);
        return;
    }
    m_data = static_cast<std::uint8_t*>(p);
    m_size = size;
}

LowMemoryBlock::~LowMemoryBlock()
{
    if (!m_data)
        return;
    withdraw(m_data);
    releaseBelow4GiB(m_data, m_mapped);
}

std::uint32_t LowMemoryBlock::address32() const
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_data));
}

std::uint8_t* lowMemoryAt(std::uint32_t address, std::size_t size)
{
    const std::uintptr_t at = address;
    std::lock_guard lock(g_liveMutex);
    for (const Live& l : g_live)
        if (l.size != 0 && at >= l.begin && size <= l.size && at - l.begin <= l.size - size)
            return reinterpret_cast<std::uint8_t*>(at);
    return nullptr;
}

} // namespace remorra::os
