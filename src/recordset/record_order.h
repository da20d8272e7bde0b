// The records of a record set in the order they are presented.
#pragma once

#include "dbf/table.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace recordset {

// Either the table's records in file order, deleted ones left out, worked out lazily so that
// opening costs nothing per record; or an explicit list of record numbers.
class RecordOrder
{
public:
    static RecordOrder fileOrder(const dbf::Table &table);
    static RecordOrder list(std::vector<uint32_t> records);

    // The number of records. In file order the first call scans the deletion flags once.
    uint64_t size();
    // The record at `position` (0-based), or nullopt past the end. Stepping to a neighbour of
    // the last position asked for costs no scan.
    std::optional<uint32_t> at(uint64_t position);
    // The position of `record`, or nullopt if it is not among these records.
    std::optional<uint64_t> positionOf(uint32_t record);
    // All records as a list, for filtering and sorting.
    std::vector<uint32_t> records();
    // Whether these are the table's records in file order.
    bool isFileOrder() const { return m_table != nullptr; }

private:
    void materialize();

    const dbf::Table *m_table = nullptr; // set in lazy file order
    bool m_identity = false; // file order without deleted records: position == record
    std::vector<uint32_t> m_records;
    bool m_listed = false;
    uint64_t m_lastPosition = 0; // the last lazy step, for cheap neighbours
    uint32_t m_lastRecord = 0;
    bool m_haveLast = false;
};

} // namespace recordset
