// Keeps a memory-mapped file that another program shortens from ending this program: reading a
// mapped page past the file's new end raises SIGBUS. The guard's handler puts a page of zeros in
// place of the missing one, so the read goes on, and notes that the mapping lost pages; the
// owner asks and reports the file as changed.
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

    // Whether a read found a page of the mapping gone since the guard began.
    bool lostPages() const;

private:
    int m_slot = -1;
};

} // namespace dbf
