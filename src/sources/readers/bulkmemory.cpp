#include "sources/readers/bulkmemory.h"

#include <sys/mman.h>

#include <cstdint>

namespace sources {

void adviseBulk(void *start, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    const auto first = (reinterpret_cast<std::uintptr_t>(start) + bulkSize - 1) & ~(bulkSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(bulkSize - 1);
    if (end > first)
        madvise(reinterpret_cast<void *>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)size;
#endif
}

} // namespace sources
