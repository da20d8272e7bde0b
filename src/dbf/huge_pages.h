// Large working buffers backed by huge pages where the kernel offers them on request: filling
// hundreds of megabytes of fresh memory then costs a fault per 2 MB instead of per 4 KB.
#pragma once

#include <cstddef>

namespace dbf {

// Asks the kernel to back the whole pages in [data, data + bytes) with huge pages. Harmless
// where it does not (any other system, or huge pages switched off); call before first writing.
void adviseHugePages(const void *data, size_t bytes);

// Reserves room for `count` elements in an empty container, backed by huge pages where possible.
template<class Container>
void reserveHuge(Container &container, size_t count)
{
    container.reserve(count);
    adviseHugePages(container.data(), container.capacity() * sizeof(*container.data()));
}

} // namespace dbf
