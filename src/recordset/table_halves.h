// Whole-table work split over two threads: the two halves of the file are read and worked on at
// once, which nearly halves the time on a machine with two cores or more.
#pragma once

#include "dbf/table.h"

#include <cstdint>
#include <functional>

namespace recordset {

// Runs `work(half, begin, end)` for the records [begin, end) of half 0 and half 1 at once and
// returns when both are done. `work` must be safe to run on two threads.
void inTableHalves(const dbf::Table &table,
                   const std::function<void(int half, uint64_t begin, uint64_t end)> &work);

} // namespace recordset
