// Whole-table work split between two threads, one half of the records each.
#include "table_halves.h"

#include <thread>

namespace recordset {

void inTableHalves(const dbf::Table &table,
                   const std::function<void(int half, uint64_t begin, uint64_t end)> &work)
{
    const uint64_t middle = table.recordCount() / 2;
    std::jthread second([&] { work(1, middle, table.recordCount()); });
    work(0, 0, middle);
}

} // namespace recordset
