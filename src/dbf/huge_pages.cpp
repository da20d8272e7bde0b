// Huge pages for large working buffers, where the kernel offers them.
#include "huge_pages.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace dbf {

void adviseHugePages(const void *data, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // Below this the saving is too small to matter.
    constexpr size_t kWorthIt = 2 << 20;
    if (bytes < kWorthIt)
        return;
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
    const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) / page * page;
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace dbf
