// Keeps a memory-mapped file that another program shortens from ending this program: reading a
// mapped page past the file's new end raises SIGBUS. The guard's handler puts a page of zeros in
// place of the missing one, so the read goes on; the owner finds the shortening by the file's
// size and reports the records that are gone.
#pragma once

#include <cstddef>

namespace dbf {

class MappingGuard
{
public:
    // Guards the mapping [address, address + size); the handler is installed on first use.
    // Without a free place (thousands of files open at once) the mapping stays unguarded.
    MappingGuard(const void *address, size_t size);
    ~MappingGuard();
    MappingGuard(const MappingGuard &) = delete;
    MappingGuard &operator=(const MappingGuard &) = delete;

private:
    int m_slot = -1;
};

} // namespace dbf
