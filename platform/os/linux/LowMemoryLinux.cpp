#include "platform/os/LowMemoryPlatform.h"

#include <sys/mman.h>
#include <unistd.h>

namespace remorra::os {

void* allocateBelow4GiB(std::size_t size, std::size_t& mapped)
{
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    mapped = (size + page - 1) / page * page;
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_32BIT
    flags |= MAP_32BIT;
#endif
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, flags, -1, 0);
    // Without MAP_32BIT (other than x86-64) the block may end above 4 GiB;
    // LowMemoryBlock checks the end (the page tail past `size` ends below it too).
    return p == MAP_FAILED ? nullptr : p;
}

void releaseBelow4GiB(void* p, std::size_t mapped) { munmap(p, mapped); }

} // namespace remorra::os
